// kitbag-pack: turns a product's folder into an installer, written into the payload-free
// installer build (the stub) as TOOLKIT resources with the settings in its string table.
#include "shipping/base/interruption.h"
#include "shipping/base/utf8_system.h"
#include "shipping/packing/installer_listing.h"
#include "shipping/programs/pack.h"
#include "shipping/programs/pack_options.h"

#include <exception>
#include <iostream>

using namespace kitbag;

int main(int argc, char** argv) {
    const std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    std::vector<const char*> utf8;
    for (const std::string& argument : arguments)
        utf8.push_back(argument.c_str());
    PackOptions options;
    std::string error;
    if (argc == 1) {
        std::cerr << PackHelp();
        return 1;
    }
    if (!ParsePackOptions(argc, utf8.data(), options, error)) {
        std::cerr << "kitbag-pack: " << error << " (kitbag-pack --help lists every option)\n";
        return 1;
    }
    if (options.mode == PackMode::Help) {
        std::cout << PackHelp();
        return std::cout.flush() ? 0 : 1;
    }
    if (options.mode == PackMode::Version) {
        std::cout << "kitbag-pack " << KITBAG_TOOLS_VERSION << "\n";
        return std::cout.flush() ? 0 : 1;
    }
    CatchInterruptions();
    try {
        error =
            options.mode == PackMode::List ? ListInstaller(options.Get("--list")) : Pack(options);
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    if (!error.empty() && Interrupted()) {
        // Whatever the run said last, it was stopped, and it has cleaned up. (A run that had
        // already written its output when the interruption came ends as it would have.)
        std::cerr << "kitbag-pack: interrupted"
                  << (options.mode == PackMode::Pack ? "; nothing written\n" : "\n");
        EndAsInterrupted();
    }
    if (!error.empty()) {
        std::cerr << "kitbag-pack: " << error
                  << (options.mode == PackMode::Pack ? "; nothing written\n" : "\n");
        return 1;
    }
    return std::cout.flush() ? 0 : 1;
}
