#include "cli/run.hpp"

int main(int argc, char** argv)
{
    return run_cmoscfg(argc, argv);
}
