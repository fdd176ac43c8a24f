// The file access under the Linux hardware layer, on scratch files: never on
// /dev/port or a real device's configuration space.
#include "hw/devport.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(devport, open_failures_map_to_library_statuses)
{
    const struct { int err; unsigned status; } cases[] = {
        {ENOENT, 3}, {ENODEV, 3}, {ENXIO, 3}, {EACCES, 2}, {EPERM, 2}, {EROFS, 2}, {EBUSY, 6}, {EMFILE, 6},
    };
    for (const auto &c : cases)
        EXPECT_EQ(devport_open_status(c.err), c.status) << c.err;
}

TEST(devport, port_bytes_are_file_bytes_at_the_port_number)
{
    scratch_dir dir;
    std::string path = dir.file("ports");
    bytes content(0x80);
    for (std::size_t i = 0; i < content.size(); i++)
        content[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    write_file(path, content);
    int fd = open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(devport_read_byte(fd, 0x72), content[0x72]);
    EXPECT_EQ(devport_read_byte(fd, 0x73), content[0x73]);
    EXPECT_TRUE(devport_write_byte(fd, 0x73, 0x1E));
    EXPECT_EQ(devport_read_byte(fd, 0x80), 0xFF) << "past the end reads as an unanswered bus";
    close(fd);
    content[0x73] = 0x1E;
    EXPECT_EQ(read_file(path), content);

    int ro = open(path.c_str(), O_RDONLY);
    EXPECT_FALSE(devport_write_byte(ro, 0x72, 0));
    close(ro);
}

TEST(devport, pci_function_paths_in_domain_0)
{
    const struct { unsigned bus, dev, func; const char *path; } cases[] = {
        {0, 0, 0, "/sys/bus/pci/devices/0000:00:00.0/config"},
        {0x1a, 0x1f, 7, "/sys/bus/pci/devices/0000:1a:1f.7/config"},
        {0xff, 0x18, 3, "/sys/bus/pci/devices/0000:ff:18.3/config"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(pci_config_path(c.bus << 8 | c.dev << 3 | c.func), c.path);
}

TEST(devport, pci_dword_is_little_endian_and_needs_all_four_bytes)
{
    scratch_dir dir;
    bytes full(256);
    for (std::size_t i = 0; i < full.size(); i++)
        full[i] = static_cast<std::uint8_t>(i);
    write_file(dir.file("full"), full);
    // What an unprivileged reader gets of a function's configuration space.
    write_file(dir.file("short"), bytes(full.begin(), full.begin() + 64));

    const struct { const char *file; unsigned reg; int ok; std::uint32_t value; } cases[] = {
        {"full", 0x80, 1, 0x83828180},
        {"full", 0xFC, 1, 0xFFFEFDFC},
        {"short", 0x3C, 1, 0x3F3E3D3C},
        {"short", 0x3E, 0, 0},
        {"short", 0x80, 0, 0},
        {"missing", 0x80, 0, 0},
    };
    for (const auto &c : cases) {
        std::uint32_t v = 0xDEADBEEF;
        EXPECT_EQ(pci_config_read_dword(dir.file(c.file).c_str(), c.reg, &v), c.ok) << c.file << c.reg;
        EXPECT_EQ(v, c.ok ? c.value : 0xDEADBEEF) << c.file << " " << c.reg;
    }
}

TEST(devport, first_line_of_a_small_file)
{
    scratch_dir dir;
    write_file(dir.file("lockdown"), std::string("none [integrity] confidentiality\nmore\n"));
    EXPECT_EQ(read_first_line(dir.file("lockdown").c_str()), "none [integrity] confidentiality");
    EXPECT_EQ(read_first_line(dir.file("missing").c_str()), "");
}

} // namespace
