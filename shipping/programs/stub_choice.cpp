#include "shipping/programs/stub_choice.h"

#include "shipping/base/own_executable.h"
#include "shipping/base/utf8_system.h"

namespace fs = std::filesystem;

namespace kitbag {

fs::path InstalledStub(const fs::path& tool, const std::string& stubFolder,
                       const std::string& architecture) {
    return (tool.parent_path() / stubFolder / architecture / kStubName).lexically_normal();
}

std::string ChooseStub(const PackOptions& options, std::string& error) {
    if (options.Has("--stub")) {
        if (options.Get("--stub").empty())
            error = "--stub names no file";
        return options.Get("--stub");
    }
    const std::string architecture = options.Has("--arch") ? options.Get("--arch") : "x86";
    const fs::path self = OwnExecutable();
    if (self.empty()) {
        error = "cannot tell where this kitbag-pack is, nor so its " + architecture +
                " stub; name the stub with --stub";
        return {};
    }
    const fs::path stub = InstalledStub(self, KITBAG_STUB_FOLDER, architecture);
    std::error_code ignored;
    if (!fs::is_regular_file(stub, ignored)) {
        error = "no " + architecture + " stub is installed with this kitbag-pack (looked for '" +
                Utf8Of(stub) + "'); name one with --stub";
        return {};
    }
    return Utf8Of(stub);
}

bool CheckArchitecture(const PackOptions& options, const std::string& stub, const PeLayout& layout,
                       std::string& error) {
    const std::string own = ArchitectureName(layout.architecture);
    const std::string wanted = options.Has("--arch")   ? options.Get("--arch")
                               : options.Has("--stub") ? own
                                                       : "x86";
    if (own == wanted)
        return true;
    error = "the stub '" + stub + "' is an " + own + " installer, not " + wanted +
            (options.Has("--stub") ? "" : "; name the " + wanted + " stub with --stub");
    return false;
}

} // namespace kitbag
