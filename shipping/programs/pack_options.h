#pragma once
// kitbag-pack's command line: every option with its one line of help, and the rules of
// which options go together.
#include <map>
#include <string>

namespace kitbag {

enum class PackMode { Pack, DryRun, List, Help, Version };

struct PackOptions {
    PackMode mode = PackMode::Pack;
    std::map<std::string, std::string> values; // options with a value, by name
    std::map<std::string, bool> flags;         // options without one

    std::string Get(const std::string& name) const {
        auto found = values.find(name);
        return found == values.end() ? std::string() : found->second;
    }
    bool Has(const std::string& name) const { return values.count(name) != 0; }
    bool Flag(const std::string& name) const { return flags.count(name) != 0; }
    // A certificate is named one way or the other.
    bool Signs() const { return Has("--sign-cert") || Has("--pkcs12"); }
};

// The usage line and one line for every option.
std::string PackHelp();

// Reads argv[1..argc) and checks the combination; false with the reason otherwise.
bool ParsePackOptions(int argc, const char* const* argv, PackOptions& options, std::string& error);

} // namespace kitbag
