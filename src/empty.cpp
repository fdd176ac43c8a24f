// Keeps every subsystem library non-empty while its files are being written.
