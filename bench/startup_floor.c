/* SPDX-License-Identifier: GPL-2.0-or-later */
/* The least a start-up of cmoscfg can cost: the one shell command that every
 * run makes before it touches the machine (the check that this build can run
 * shell commands), and nothing else. Built statically in C, and dynamically
 * linked as C++, the two floors the tool's start-up is measured against. */
#include <stdio.h>

int main(void)
{
    FILE* pipe = popen("echo;echo There may be a problem using this version of cmoscfg on this system.  "
                       "Try the other version and see the README file for more information.  Hit ctrl-c.",
                       "r");
    if (pipe == NULL)
        return 1;
    char buffer[128];
    while (fgets(buffer, sizeof buffer, pipe) != NULL) {
    }
    return pclose(pipe) == 0 ? 0 : 1;
}
