#include "cu/program.h"

int main(int argc, char **argv)
{
    return kelb_cu_main(argc, argv);
}
