// korvane-seal-key: makes the print server's seal key pair when the package is installed (and
// for private servers and tests): the private key that the filter opens the print dialog's
// sealed secrets with, and the public key that the driver program puts into queues' PPDs.
#include "seal_keys.h"

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf(
            "Usage: korvane-seal-key --create DIR\n"
            "Makes DIR/%s (private, readable by root and group lp) and DIR/%s unless DIR\n"
            "has them; an existing private key is never replaced. Prints the public key.\n",
            jobcontrol::kPrivateKeyFileName, jobcontrol::kPublicKeyFileName);
        return 0;
    }
    if (argc != 3 || std::strcmp(argv[1], "--create") != 0) {
        std::fputs("Usage: korvane-seal-key --create DIR (try --help)\n", stderr);
        return 2;
    }
    std::string problem;
    const auto publicKey = jobcontrol::provideSealKeyPair(argv[2], &problem);
    if (!publicKey) {
        std::fprintf(stderr, "korvane-seal-key: %s\n", problem.c_str());
        return 1;
    }
    std::printf("%s\n", publicKey->c_str());
    return 0;
}
