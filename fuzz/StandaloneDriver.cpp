// Runs a fuzz harness without libFuzzer: over every file of the folders given as
// arguments, then over generated inputs (random bytes, and mutations of the seeds),
// from a fixed seed so that a failure repeats.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    std::vector<std::vector<uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(argv[i], ec)) {
            std::ifstream in(entry.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    for (const auto& s : seeds)
        LLVMFuzzerTestOneInput(s.data(), s.size());
    std::mt19937 rng(12345);
    std::vector<uint8_t> input;
    for (int round = 0; round < 20000; ++round) {
        if (!seeds.empty() && round % 2 == 0) {
            input = seeds[rng() % seeds.size()];
            const int edits = 1 + static_cast<int>(rng() % 4);
            for (int e = 0; e < edits; ++e) {
                const unsigned op = rng() % 3;
                if (op == 0 && !input.empty())
                    input[rng() % input.size()] = static_cast<uint8_t>(rng());
                else if (op == 1)
                    input.insert(input.begin() +
                                     static_cast<long>(input.empty() ? 0 : rng() % input.size()),
                                 static_cast<uint8_t>(rng()));
                else if (!input.empty())
                    input.erase(input.begin() + static_cast<long>(rng() % input.size()));
            }
        } else {
            input.resize(rng() % 300);
            for (auto& b : input)
                b = static_cast<uint8_t>(rng() % 4 == 0 ? 0xFF : rng());
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%zu seeds and 20000 generated inputs passed\n", seeds.size());
    return 0;
}
