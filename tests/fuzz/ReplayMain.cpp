// Runs a fuzz target over kept inputs without libFuzzer: every file named on the command line, and
// every file inside each folder named, in name order. ctest runs this with the target's corpus
// folder, so the seeds and every input that once failed are checked in the normal build. A
// property that fails aborts inside the target; an empty corpus fails here, since a replay of
// nothing would pass whatever the target did.

#include "FuzzSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg(argv[i]);
        if (fs::is_directory(arg)) {
            for (const auto& entry : fs::directory_iterator(arg))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else {
            inputs.push_back(arg);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::cerr << "no inputs to replay\n";
        return 1;
    }
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::cerr << "cannot read " << path << "\n";
            return 1;
        }
        const std::vector<char> chars((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        const std::vector<std::uint8_t> bytes(chars.begin(), chars.end());
        std::cerr << "replaying " << path.filename().string() << " (" << bytes.size()
                  << " bytes)\n";
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::cerr << "replayed " << inputs.size() << " inputs\n";
    return 0;
}
