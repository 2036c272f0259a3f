#include "shipping/packing/payload_plan.h"

#include <algorithm>
#include <map>
#include <set>

namespace kitbag {

namespace {

std::vector<std::string> Split(const std::string& path, char separator) {
    std::vector<std::string> parts(1);
    for (char c : path) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, char separator) {
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty())
            out.push_back(separator);
        out += part;
    }
    return out;
}

bool IsDeviceName(const std::string& component) {
    std::string stem = LowerAscii(component.substr(0, component.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    static const std::set<std::string> devices = {"con", "prn", "aux", "nul"};
    if (devices.count(stem))
        return true;
    return stem.size() == 4 && (stem.rfind("com", 0) == 0 || stem.rfind("lpt", 0) == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

std::string CheckComponent(const std::string& component) {
    if (component.empty())
        return "it has an empty folder name";
    if (component == "..")
        return "'..' would leave the working folder";
    if (component.back() == '.' || component.back() == ' ')
        return "Windows drops a trailing dot or blank from '" + component + "'";
    if (IsDeviceName(component))
        return "'" + component + "' names a Windows device";
    return {};
}

} // namespace

std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool QualifiesAsProgram(const std::string& name) {
    std::size_t at = LowerAscii(name).find(".exe");
    return at != std::string::npos && at > 0;
}

std::string CheckName(const std::string& path) {
    if (path.empty())
        return "the name is empty";
    if (path[0] == '/' || path[0] == '\\')
        return "it starts with a backslash";
    for (unsigned char c : path) {
        if (c < 0x20 || c > 0x7E)
            return "it holds a character outside printable ASCII (the installer reads names "
                   "in the machine's ANSI code page)";
    }
    if (path.find(':') != std::string::npos)
        return "it holds ':' (a drive or a stream)";
    if (path.find('*') != std::string::npos)
        return "it holds '*', the manifest's separator";
    if (path.find('\\') != std::string::npos)
        return "a file or folder name holds a backslash";
    if (path.find_first_of("<>\"|?") != std::string::npos)
        return "it holds a character Windows does not allow in file names";
    for (const auto& component : Split(path, '/')) {
        std::string why = CheckComponent(component);
        if (!why.empty())
            return why;
    }
    if (path.size() > kMaxNameLength)
        return "it has " + std::to_string(path.size()) + " characters; at most " +
               std::to_string(kMaxNameLength) + " fit the installer's paths";
    return {};
}

bool PlanPayload(const std::vector<PayloadFile>& files, const std::string& program,
                 PayloadPlan& plan, std::string& error) {
    plan = PayloadPlan{};
    if (files.empty()) {
        error = "the folder holds no files";
        return false;
    }
    if (files.size() > kMaxFiles) {
        error = "the folder holds " + std::to_string(files.size()) + " files; resource ids " +
                std::to_string(kFirstFileId) + " to 65535 allow at most " +
                std::to_string(kMaxFiles);
        return false;
    }
    std::map<std::string, std::string> byLowerName;
    std::set<std::string> lowerFolders;
    for (const PayloadFile& file : files) {
        std::string why = CheckName(file.path);
        if (!why.empty()) {
            error = "cannot pack '" + file.path + "': " + why;
            return false;
        }
        if (file.size > kMaxFileBytes) {
            error = "cannot pack '" + file.path + "': it is larger than 2147483647 bytes";
            return false;
        }
        plan.totalBytes += file.size;
        std::string lower = LowerAscii(file.path);
        auto [at, added] = byLowerName.emplace(lower, file.path);
        if (!added) {
            error = "'" + at->second + "' and '" + file.path +
                    "' differ only in case; the installer writes names in lower case";
            return false;
        }
        std::vector<std::string> parts = Split(lower, '/');
        parts.pop_back();
        for (; !parts.empty(); parts.pop_back())
            lowerFolders.insert(Join(parts, '/'));
    }
    for (const auto& [lower, path] : byLowerName) {
        if (lowerFolders.count(lower)) {
            error = "'" + path +
                    "' is a file, and a folder of the same name in another case "
                    "holds files too";
            return false;
        }
    }

    std::string wanted = Join(Split(program, '\\'), '/');
    auto isProgram = [&](const PayloadFile& f) { return f.path == wanted; };
    auto found = std::find_if(files.begin(), files.end(), isProgram);
    if (found == files.end()) {
        error = "the program '" + program + "' is not in the folder";
        auto other = byLowerName.find(LowerAscii(wanted));
        if (other != byLowerName.end())
            error += " (there is '" + other->second + "')";
        return false;
    }
    if (!QualifiesAsProgram(wanted)) {
        error = "the installer would not start '" + program +
                "': a program's name has \".exe\" after its first character";
        return false;
    }
    // The installer starts the lowest-numbered qualifying file, so the program comes first.
    std::vector<const PayloadFile*> order;
    for (const PayloadFile& f : files)
        if (!isProgram(f))
            order.push_back(&f);
    std::sort(order.begin(), order.end(), [](const PayloadFile* a, const PayloadFile* b) {
        return LowerAscii(a->path) < LowerAscii(b->path);
    });
    order.insert(order.begin(), &*found);
    std::uint32_t id = kFirstFileId;
    for (const PayloadFile* f : order) {
        PlannedFile planned{static_cast<std::uint16_t>(id++), f->path,
                            Join(Split(f->path, '/'), '\\'), f->size, f->identity};
        if (!plan.manifest.empty())
            plan.manifest += "*";
        plan.manifest +=
            std::to_string(planned.id) + "*" + planned.name + "*" + std::to_string(planned.size);
        plan.files.push_back(planned);
    }
    return true;
}

} // namespace kitbag
