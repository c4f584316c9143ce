// peak-memory PROGRAM [ARGUMENT...]: runs the program with its output discarded and prints its
// peak resident memory in KiB, or exits 1 when it could not run or failed.
//
// A separate small program, because the kernel counts into a child's peak the memory of the
// process it was forked from: measured from the benchmark program, every child would seem at
// least as large as the benchmarks themselves.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: peak-memory PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const pid_t pid = fork();
    if (pid < 0)
        return 1;
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}
