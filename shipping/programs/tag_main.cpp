// kitbag-tag: places an information block in the signature of a signed installer, or shows
// the block an installer carries.
#include "shipping/base/output_check.h"
#include "shipping/authenticode/signature_tag.h"
#include "shipping/base/files.h"
#include "shipping/base/interruption.h"
#include "shipping/base/utf8_system.h"

#include <algorithm>
#include <iostream>

using namespace kitbag;

namespace {

const char kUsage[] =
    "usage: kitbag-tag --in SIGNED.exe --info FILE -o TAGGED.exe\n"
    "       kitbag-tag --in FILE.exe --show\n"
    "\n"
    "  --in FILE.exe     the signed installer to tag, or to show the information of\n"
    "  --info FILE       the information to place inside its signature (at most 4106 bytes)\n"
    "  -o TAGGED.exe     the tagged installer to write (never over --in or --info)\n"
    "  --show            write the information the installer would find to standard output:\n"
    "                    ends with 0, or says there is none and ends with 1\n"
    "  --help            print this help\n"
    "  --version         print the tool's version\n"
    "Tag after all signing: a signature nested later lands after the information. Messages\n"
    "go to standard error; a failure ends with 2.\n";

int Fail(const std::string& error) {
    // Whatever the step said, it stopped for the interruption, and has cleaned up.
    if (Interrupted()) {
        std::cerr << "kitbag-tag: interrupted; nothing written\n";
        EndAsInterrupted();
    }
    std::cerr << "kitbag-tag: " << error << "\n";
    return 2;
}

// The tagged image, in pieces, its checksum summed on the way and put in at the end: an
// interruption stops it between two pieces.
bool WriteInPieces(std::ostream& out, TaggedImage& tagged, const std::string& in,
                   std::string& error) {
    constexpr std::size_t kPiece = 1 << 20;
    Bytes piece(kPiece);
    PeChecksumSum sum;
    for (std::uint64_t at = 0; at < tagged.Size() && out; at += kPiece) {
        if (Interrupted()) {
            error = kInterruptedReason;
            return false;
        }
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, tagged.Size() - at));
        if (!tagged.ReadAt(at, piece.data(), count)) {
            error = "cannot read '" + in + "' (did it change meanwhile?)";
            return false;
        }
        sum.Add(piece.data(), count);
        out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(count));
    }
    Bytes checksum;
    AppendU32(checksum, sum.Checksum());
    out.seekp(static_cast<std::streamoff>(tagged.ChecksumOffset()));
    out.write(reinterpret_cast<const char*>(checksum.data()), 4);
    return true;
}

int Run(const std::vector<std::string>& argv) {
    const int argc = static_cast<int>(argv.size());
    if (argc == 2 && argv[1] == "--help") {
        std::cout << kUsage;
        return std::cout.flush() ? 0 : 2;
    }
    if (argc == 2 && argv[1] == "--version") {
        std::cout << "kitbag-tag " << KITBAG_TOOLS_VERSION << "\n";
        return std::cout.flush() ? 0 : 2;
    }
    std::string in, info, out;
    bool show = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string* value = arg == "--in"     ? &in
                             : arg == "--info" ? &info
                             : arg == "-o"     ? &out
                                               : nullptr;
        if (arg == "--show") {
            show = true;
        } else if (value && i + 1 < argc && value->empty()) {
            *value = argv[++i];
        } else {
            std::cerr << "kitbag-tag: unexpected argument '" << arg << "'\n" << kUsage;
            return 2;
        }
    }
    if (in.empty() || (show ? !info.empty() || !out.empty() : info.empty() || out.empty())) {
        std::cerr << kUsage;
        return 2;
    }
    if (!show)
        CatchInterruptions();
    std::string error;
    ImageFile image;
    if (!image.Open(in, error))
        return Fail(error);
    if (show) {
        std::optional<Bytes> found;
        if (!ShowInformation(image, found, error))
            return Fail("'" + in + "': " + error);
        if (!found) {
            std::cout << "'" << in << "' carries no information block\n";
            return 1;
        }
        std::cout.write(reinterpret_cast<const char*>(found->data()),
                        static_cast<std::streamsize>(found->size()));
        return std::cout.flush() ? 0 : 2;
    }
    error = CheckOutput(out, {in, info}, {});
    if (!error.empty())
        return Fail(error + "; nothing written");
    Bytes information;
    TaggedImage tagged;
    std::string temporary;
    // The tag holds a few kilobytes; Prepare says how many.
    if (!ReadWholeFile(info, information, error, 64 * 1024) ||
        !tagged.Prepare(image, information, error) ||
        !WriteTemporary(
            out,
            [&](std::ostream& stream, std::string& why) {
                return WriteInPieces(stream, tagged, in, why);
            },
            temporary, error))
        return Fail(error + "; nothing written");
    // Nothing takes the output's name once the run is interrupted.
    if (Interrupted()) {
        RemoveQuietly(temporary);
        return Fail(kInterruptedReason);
    }
    if (!Commit(temporary, out, error))
        return Fail(error + "; nothing written");
    std::cout << "Tagged '" << out << "' with " << information.size()
              << " bytes of information: " << tagged.Size() << " bytes\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(Utf8Arguments(argc, argv));
    } catch (const std::exception& failure) {
        return Fail(failure.what());
    }
}
