// korvane (in cupsd's driver folder): the CUPS driver program of this printer model. cupsd runs
// it for lpinfo -m ("list") and for lpadmin -m ("cat MODEL"). The PPD it gives is the model's
// own with the print server's public seal key added, so every client that fetches a queue's PPD
// from the server gets the key that the print dialog seals the job's secrets with.
#include "seal_keys.h"
#include "settings/sealed_options.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

// The model's PPD (src/resources/ppd/korvane-rk880.ppd), built into the program.
extern const unsigned char korvane_model_ppd[];
extern const std::size_t korvane_model_ppd_size;

namespace {

// The one model this driver makes: its PPD name as lpinfo -m lists it.
constexpr const char* kModelName = "korvane:///rk880.ppd";

// Lists the model as cups-driverd reads it: name, language, make, make and model, device ID.
int listModels()
{
    std::printf("\"%s\" en \"Korvane\" \"Korvane RK-880 MFP\" \"MFG:Korvane;MDL:RK-880 MFP;\"\n", kModelName);
    return 0;
}

// Writes the model's PPD with the print server's public key; refuses, with nothing on standard
// output, when there is no key: a queue without it could not keep the dialog's secrets private.
int writeModelPpd(const char* name)
{
    if (std::strcmp(name, kModelName) != 0) {
        std::fprintf(stderr, "ERROR: korvane: no model \"%s\" (lpinfo -m lists %s)\n", name, kModelName);
        return 1;
    }
    const std::string folder = jobcontrol::sealKeyFolder();
    std::string problem;
    const auto publicKey = jobcontrol::readSealPublicKey(jobcontrol::publicKeyPath(folder), &problem);
    if (!publicKey) {
        std::fprintf(stderr,
                     "ERROR: korvane: %s; the print server has no seal key, so a queue of this model could not keep "
                     "the print dialog's PINs and passwords from other users (make the key pair with "
                     "korvane-seal-key --create %s)\n",
                     problem.c_str(), folder.c_str());
        return 1;
    }
    std::fwrite(korvane_model_ppd, 1, korvane_model_ppd_size, stdout);
    std::printf(
        "*%% The print server's public key: the print dialog seals the job's secrets with it for the filter.\n"
        "*%s: \"%s\"\n",
        korvane::settings::kSealKeyPPDKeyword, jobcontrol::sealPublicKeyText(*publicKey).c_str());
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "list") == 0)
        return listModels();
    if (argc == 3 && std::strcmp(argv[1], "cat") == 0)
        return writeModelPpd(argv[2]);
    std::fputs("Usage: korvane list\n       korvane cat MODEL\n", stderr);
    return 1;
}
