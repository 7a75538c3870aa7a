// Writes a folder tree for the scan benchmark: files of pseudo-random
// content (no two alike), 100 to a folder, two folder levels deep.
//
//   make_tree DIR COUNT mixed|small [SEED]
//
// mixed: sizes as on a Windows drive, most 1-100 KiB, some up to 10 MiB;
// small: 100 bytes to 4 KiB each.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed ? seed : 1) {}

    std::uint64_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }

    double unit() { return double(next() >> 11) / double(1ull << 53); }

    // Log-uniform in [low, high): as many files of 1-10 KiB as of 10-100 KiB.
    std::uint64_t logUniform(double low, double high)
    {
        return std::uint64_t(std::exp(std::log(low) + unit() * (std::log(high) - std::log(low))));
    }

private:
    std::uint64_t state;
};

constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t MiB = 1024 * KiB;

std::uint64_t mixedSize(Random& random)
{
    const double pick = random.unit();
    if (pick < 0.30)
        return random.next() % KiB;
    if (pick < 0.9675)
        return random.logUniform(KiB, 100 * KiB);
    if (pick < 0.9975)
        return random.logUniform(100 * KiB, MiB);
    return random.logUniform(MiB, 10 * MiB);
}

std::uint64_t smallSize(Random& random)
{
    return 100 + random.next() % (4 * KiB - 100);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: make_tree DIR COUNT mixed|small [SEED]\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    const long count = std::atol(argv[2]);
    const std::string mix = argv[3];
    if (count <= 0 || (mix != "mixed" && mix != "small")) {
        std::fprintf(stderr, "make_tree: COUNT must be positive and the mix mixed or small\n");
        return 2;
    }
    Random random(argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 20240601);

    std::vector<std::uint64_t> buffer;
    std::uint64_t total = 0;
    for (long i = 0; i < count; ++i) {
        char relative[64];
        std::snprintf(relative, sizeof relative, "d%02ld/d%02ld/f%06ld.bin", i / 10000, i / 100 % 100, i);
        const std::filesystem::path file = root / relative;
        if (i % 100 == 0)
            std::filesystem::create_directories(file.parent_path());

        const std::uint64_t size = mix == "mixed" ? mixedSize(random) : smallSize(random);
        buffer.resize(size / 8 + 1);
        for (std::uint64_t& word : buffer)
            word = random.next();
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(buffer.data()), std::streamsize(size));
        if (!out) {
            std::fprintf(stderr, "make_tree: cannot write %s\n", file.c_str());
            return 1;
        }
        total += size;
    }
    std::printf("%ld files, %llu bytes\n", count, static_cast<unsigned long long>(total));
    return 0;
}
