#include "shipping/programs/pack_options.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace kitbag {

namespace {

struct OptionEntry {
    const char* name;
    const char* value; // what the value is, or nullptr for an option without one
    const char* help;
};

const OptionEntry kOptions[] = {
    {"--payload", "DIR", "the product folder: every file under it is packed"},
    {"--program", "NAME.exe", "the program in DIR that the installer starts (a path under DIR)"},
    {"-o", "OUTPUT.exe", "the installer to write (refused when it is an input or inside DIR)"},
    {"--title", "TEXT", "the product's name in messages and the About box; also ProductName"},
    {"--program-type", "AnyCPU|x86|x64|x32Only",
     "how the program runs on 64-bit Windows (default AnyCPU)"},
    {"--disk-mb", "N", "megabytes the installer needs free on the temporary drive (default 500)"},
    {"--dotnet", "E1,...,E7",
     "for .NET 2.0, 3.0, 3.5, 4.0 client, 4.0 full, 4.5 client, 4.5 full: the service level "
     "each needs, -1 where that version will not do (default all 0)"},
    {"--admin-install", "0|1",
     "1 (default): install for the machine, administrator rights required; 0: for the user"},
    {"--program-name", "NAME",
     "the name passed to the program when the signature names none; also the signature's "
     "description"},
    {"--product-version", "A.B.C.D", "the file and product version (default 1.8.2.358)"},
    {"--company", "TEXT", "CompanyName in the version resource (default Kitbag)"},
    {"--description", "TEXT", "FileDescription in the version resource (default Kitbag Installer)"},
    {"--copyright", "TEXT", "LegalCopyright, also the About box's copyright line"},
    {"--icon", "FILE.ico", "the installer's icon: every image the file holds"},
    {"--splash", "FILE.bmp", "the splash picture: 24-bit, 425 x 208"},
    {"--sign-cert", "CERT.pem", "sign with this certificate (PEM) and --sign-key"},
    {"--sign-key", "KEY.pem", "the certificate's private key (PEM, encrypted or not)"},
    {"--pkcs12", "FILE.pfx", "sign with the certificate and key of this PKCS#12 file"},
    {"--pass-file", "FILE", "the password of the key or the PKCS#12 file: the file's first line"},
    {"--pass-env", "NAME",
     "the password of the key or the PKCS#12 file: this environment variable"},
    {"--timestamp-url", "URL", "time-stamp the signature at this RFC 3161 authority"},
    {"--no-sign", nullptr, "write the installer unsigned, to be signed afterwards"},
    {"--arch", "x86|x64", "the installer's architecture (default x86)"},
    {"--stub", "STUB.exe",
     "the payload-free installer to pack into (default: the one of --arch installed with the "
     "tool)"},
    {"--store", nullptr,
     "store every file as it is, uncompressed (default: LZMA in solid blocks, the x86 branch "
     "filter on machine code, files that do not compress stored)"},
    {"--compress", nullptr, "compress, the default; kept for scripts written when it was not"},
    {"--threads", "N", "compress on N threads (default: one for each processor)"},
    {"--data-area", nullptr,
     "put the payload in the signed data area after the image's sections, whatever its size "
     "(the default above 1 GiB, which the image's resources hold at most)"},
    {"--dry-run", nullptr, "print what would be packed, under which names; write nothing"},
    {"--list", "SETUP.exe", "print what an installer holds: settings, version, files, signer, tag"},
    {"--help", nullptr, "print this help"},
    {"--version", nullptr, "print the tool's version"},
};

const OptionEntry* Find(const std::string& name) {
    for (const OptionEntry& entry : kOptions)
        if (name == entry.name)
            return &entry;
    return nullptr;
}

bool Fail(std::string& error, std::string reason) {
    error = std::move(reason);
    return false;
}

} // namespace

std::string PackHelp() {
    std::string help = "usage: kitbag-pack --payload DIR --program NAME.exe -o OUTPUT.exe "
                       "[options]\n"
                       "       kitbag-pack --payload DIR --program NAME.exe --dry-run [options]\n"
                       "       kitbag-pack --list SETUP.exe\n"
                       "Messages go to standard error, listings to standard output.\n\n";
    const std::size_t indent = 30, width = 100;
    for (const OptionEntry& entry : kOptions) {
        std::string line = std::string("  ") + entry.name;
        if (entry.value)
            line += std::string(" ") + entry.value;
        if (line.size() >= indent) {
            help += line + "\n";
            line.clear();
        }
        line.resize(indent, ' ');
        // The help text wrapped at blanks, each further line indented like the first.
        std::string words = entry.help;
        for (std::size_t at = 0; at < words.size();) {
            std::size_t end = words.find(' ', at);
            if (end == std::string::npos)
                end = words.size();
            std::string word = words.substr(at, end - at);
            if (line.size() > indent && line.size() + 1 + word.size() > width) {
                help += line + "\n";
                line.assign(indent, ' ');
            }
            line += (line.size() > indent ? " " : "") + word;
            at = end + 1;
        }
        help += line + "\n";
    }
    return help;
}

bool ParsePackOptions(int argc, const char* const* argv, PackOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        const OptionEntry* entry = Find(name);
        if (!entry)
            return Fail(error, "unknown argument '" + name + "'");
        if (!entry->value) {
            if (!options.flags.emplace(name, true).second)
                return Fail(error, name + " is given twice");
            continue;
        }
        if (i + 1 >= argc)
            return Fail(error, name + " needs a value");
        if (!options.values.emplace(name, argv[++i]).second)
            return Fail(error, name + " is given twice");
    }

    auto given = [&](const char* name) { return options.Has(name) || options.Flag(name); };
    std::size_t count = options.values.size() + options.flags.size();
    if (options.Flag("--help") || options.Flag("--version")) {
        if (count != 1)
            return Fail(error, std::string(options.Flag("--help") ? "--help" : "--version") +
                                   " goes alone");
        options.mode = options.Flag("--help") ? PackMode::Help : PackMode::Version;
        return true;
    }
    if (options.Has("--list")) {
        if (count != 1)
            return Fail(error, "--list goes alone");
        options.mode = PackMode::List;
        return true;
    }
    options.mode = options.Flag("--dry-run") ? PackMode::DryRun : PackMode::Pack;
    for (const char* required : {"--payload", "--program"})
        if (!given(required))
            return Fail(error, std::string(required) + " is missing");
    if (options.mode == PackMode::Pack && !given("-o"))
        return Fail(error, "-o is missing");
    if (options.Has("--sign-cert") != options.Has("--sign-key"))
        return Fail(error, "--sign-cert and --sign-key go together");
    if (options.Has("--pkcs12") && options.Has("--sign-cert"))
        return Fail(error, "--pkcs12 or --sign-cert with --sign-key: one certificate");
    if (options.Has("--pass-file") && options.Has("--pass-env"))
        return Fail(error, "--pass-file or --pass-env: one password");
    if ((options.Has("--pass-file") || options.Has("--pass-env")) && !options.Signs())
        return Fail(error, "a password needs --pkcs12 or --sign-key");
    if (options.Has("--timestamp-url") && !options.Signs())
        return Fail(error, "--timestamp-url needs a certificate to sign with");
    if (options.Flag("--no-sign") && options.Signs())
        return Fail(error, "--no-sign and a certificate contradict each other");
    if (options.Has("--arch") && options.Get("--arch") != "x86" && options.Get("--arch") != "x64")
        return Fail(error, "--arch is x86 or x64");
    if (options.Flag("--store") && options.Flag("--compress"))
        return Fail(error, "--store and --compress contradict each other");
    if (options.Has("--threads")) {
        const std::string& threads = options.Get("--threads");
        if (threads.empty() || threads.size() > 3 ||
            threads.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(threads) < 1 || std::stoi(threads) > 256)
            return Fail(error, "--threads is a number from 1 to 256");
    }
    // An unsigned installer fails its own signature check, so leaving it unsigned is asked for.
    if (!options.Flag("--no-sign") && !options.Signs())
        return Fail(error, "name a certificate (--sign-cert with --sign-key, or --pkcs12), or "
                           "--no-sign to sign the installer afterwards");
    return true;
}

} // namespace kitbag
