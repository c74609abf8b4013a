// The folders depend one way: model <- files <- protocol <- link <- gui/support <- gui/widgets <-
// gui/dialogs <- gui/surface <- gui/shell, and the tools use the core only. This test reads every
// #include of src/ and tools/ and fails on any pair of folders outside the table below, and on any
// Qt header included by the core, so that no cycle and no GUI dependency can creep back in.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const fs::path kSourceRoot = TAVREL_SOURCE_DIR;

// Every folder and the folders it may include from (itself always allowed). A subfolder belongs
// to the nearest folder named here (src/link/serial is part of src/link).
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"src/model", {}},
    {"src/files", {"src/model"}},
    {"src/protocol", {"src/model", "src/files"}},
    {"src/link", {"src/model", "src/files", "src/protocol"}},
    {"src/gui/support", {"src/model", "src/files", "src/protocol", "src/link"}},
    {"src/gui/widgets", {"src/model", "src/files", "src/protocol", "src/link", "src/gui/support"}},
    {"src/gui/dialogs",
     {"src/model", "src/files", "src/protocol", "src/link", "src/gui/support", "src/gui/widgets"}},
    {"src/gui/surface",
     {"src/model", "src/files", "src/protocol", "src/link", "src/gui/support", "src/gui/widgets",
      "src/gui/dialogs"}},
    {"src/gui/shell",
     {"src/model", "src/files", "src/protocol", "src/link", "src/gui/support", "src/gui/widgets",
      "src/gui/dialogs", "src/gui/surface"}},
    {"tools/cli", {"src/model", "src/files", "src/protocol", "src/link"}},
    {"tools/unit-sim", {"src/model", "src/files", "src/protocol", "src/link"}},
};

// Folders whose code must build without Qt.
const std::set<std::string> kCore = {"src/model", "src/files", "src/protocol",
                                     "src/link",  "tools/cli", "tools/unit-sim"};

// Single files allowed more than their folder. The client's "dump --pdf" draws its pages with the
// application's page printer, so the printed and the exported pages cannot differ; it is the one
// file of the client that starts Qt (offscreen), and every other command stays GUI-free.
const std::map<std::string, std::set<std::string>> kFileExceptions = {
    {"tools/cli/PdfExport.cpp", {"src/gui/support", "Qt"}},
};

bool ExceptionAllows(const fs::path& file, const std::string& what) {
    const auto found = kFileExceptions.find(file.generic_string());
    return found != kFileExceptions.end() && found->second.count(what) > 0;
}

// The table folder a path (relative to the project root) lies in; empty when none.
std::string FolderOf(const fs::path& relative) {
    std::string best;
    const std::string text = relative.generic_string();
    for (const auto& [folder, allowed] : kAllowed) {
        if (text.rfind(folder + "/", 0) == 0 && folder.size() > best.size())
            best = folder;
    }
    return best;
}

struct Include {
    fs::path file; // the including file, relative to the project root
    int line = 0;
    std::string target;
    bool angled = false;
};

std::vector<Include> IncludesOf(const fs::path& root, const fs::path& file) {
    static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<Include> result;
    std::ifstream in(file);
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        std::smatch match;
        if (std::regex_search(text, match, kInclude))
            result.push_back({fs::relative(file, root), number, match[2], match[1] == "<"});
    }
    return result;
}

// The project file a quoted include names: relative to src/ when it has a folder part, else the
// including file's own folder or a tool's folder. Empty when it names no project file.
fs::path ResolveQuoted(const fs::path& root, const Include& include) {
    const fs::path target = include.target;
    std::vector<fs::path> candidates = {root / include.file.parent_path() / target,
                                        root / "src" / target};
    for (const auto& tool : fs::directory_iterator(root / "tools")) {
        if (tool.is_directory())
            candidates.push_back(tool.path() / target);
    }
    for (const fs::path& candidate : candidates) {
        if (fs::exists(candidate))
            return fs::relative(candidate, root);
    }
    return {};
}

std::vector<Include> AllIncludes(const fs::path& root) {
    std::vector<Include> all;
    for (const char* top : {"src", "tools"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp")) {
                auto includes = IncludesOf(root, entry.path());
                all.insert(all.end(), includes.begin(), includes.end());
            }
        }
    }
    return all;
}

// "file:line includes target (from -> to)" for every include outside the table.
std::vector<std::string> Violations(const fs::path& root) {
    std::vector<std::string> found;
    for (const Include& include : AllIncludes(root)) {
        const std::string from = FolderOf(include.file);
        const std::string where = include.file.generic_string() + ":" +
                                  std::to_string(include.line) + " includes " + include.target;
        if (from.empty()) {
            found.push_back(where + ": the including file lies in no folder of the table");
            continue;
        }
        if (include.angled) {
            if (kCore.count(from) && include.target.rfind("Q", 0) == 0 &&
                !ExceptionAllows(include.file, "Qt"))
                found.push_back(where + ": the core includes no Qt");
            continue;
        }
        const fs::path resolved = ResolveQuoted(root, include);
        if (resolved.empty())
            continue; // a generated file (moc output) or a system header in quotes
        const std::string to = FolderOf(resolved);
        if (to == from)
            continue;
        const auto& allowed = kAllowed.at(from);
        if (to.empty() || (!allowed.count(to) && !ExceptionAllows(include.file, to)))
            found.push_back(where + " (" + from + " -> " + (to.empty() ? "?" : to) + ")");
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

} // namespace

TEST(FolderDependencies, EveryIncludeFollowsTheTable) {
    const std::vector<std::string> violations = Violations(kSourceRoot);
    EXPECT_TRUE(violations.empty()) << Joined(violations);
}

// The checker itself: a small tree with one include of each kind.
TEST(FolderDependencies, TheCheckerFindsUpwardIncludesAndQtInTheCore) {
    const fs::path root = fs::temp_directory_path() / ("tavrel-deps-" + std::to_string(::getpid()));
    fs::remove_all(root);
    WriteFile(root / "src/model/Value.h", "#include <string>\n");
    WriteFile(root / "src/link/Link.h", "#include \"model/Value.h\"\n");
    WriteFile(root / "src/model/Bad.h", "#include \"link/Link.h\"\n");
    WriteFile(root / "src/files/Gui.h", "#include <QString>\n");
    WriteFile(root / "src/gui/widgets/Knob.h", "#include <QWidget>\n#include \"link/Link.h\"\n");
    WriteFile(root / "tools/cli/Cli.h", "#include \"gui/widgets/Knob.h\"\n#include \"Local.h\"\n");
    WriteFile(root / "tools/cli/Local.h", "");
    WriteFile(root / "tools/cli/PdfExport.cpp",
              "#include <QGuiApplication>\n#include \"gui/support/Print.h\"\n"
              "#include \"gui/widgets/Knob.h\"\n");
    WriteFile(root / "src/gui/support/Print.h", "");

    const std::vector<std::string> violations = Violations(root);
    fs::remove_all(root);
    EXPECT_EQ(violations,
              (std::vector<std::string>{
                  "src/files/Gui.h:1 includes QString: the core includes no Qt",
                  "src/model/Bad.h:1 includes link/Link.h (src/model -> src/link)",
                  "tools/cli/Cli.h:1 includes gui/widgets/Knob.h (tools/cli -> src/gui/widgets)",
                  "tools/cli/PdfExport.cpp:3 includes gui/widgets/Knob.h (tools/cli -> "
                  "src/gui/widgets)",
              }));
}
