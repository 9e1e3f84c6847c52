/* SPDX-License-Identifier: GPL-2.0-or-later */
/* Runs a program and writes the most memory it held (its peak resident set,
 * in KiB) to a file. A process that forks and execs hands its own peak to
 * the child's figure, so the benchmarks run the tool through this small
 * static program rather than from themselves: what is counted is the tool.
 *
 * usage: peak_memory OUTPUT_FILE PROGRAM [ARGUMENT...]
 * Exits with the program's status, 125 when it could not be measured. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s OUTPUT_FILE PROGRAM [ARGUMENT...]\n", argv[0]);
        return 125;
    }
    pid_t pid = fork();
    if (pid < 0)
        return 125;
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid)
        return 125;
    FILE* out = fopen(argv[1], "w");
    if (out == NULL || fprintf(out, "%ld\n", usage.ru_maxrss) < 0 || fclose(out) != 0)
        return 125;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 125;
}
