// Runs the fuzz target over the files or folders given, so the target builds and runs in every
// build without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 0;
    for (int a = 1; a < argc; ++a) {
        const std::filesystem::path p = argv[a];
        if (std::filesystem::is_directory(p)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(p))
                if (entry.is_regular_file()) {
                    RunFile(entry.path());
                    ++runs;
                }
        } else {
            RunFile(p);
            ++runs;
        }
    }
    std::printf("replayed %d inputs\n", runs);
    return 0;
}
