// Runs every file under the given folders through every fuzz entry, as an ordinary test.
#include "fuzz_entries.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    std::size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path folder = argv[i];
        if (!std::filesystem::is_directory(folder)) {
            std::fprintf(stderr, "not a folder: %s\n", argv[i]);
            return 2;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file() || entry.path().filename().string().starts_with(".")) {
                continue;
            }
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            std::printf("%s\n", entry.path().c_str());
            std::fflush(stdout);
            quillet::fuzz::FuzzMonoBmp(bytes.data(), bytes.size());
            quillet::fuzz::FuzzEncoders(bytes.data(), bytes.size());
            quillet::fuzz::FuzzLogo(bytes.data(), bytes.size());
            ++inputs;
        }
    }
    std::printf("%zu inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1;
}
