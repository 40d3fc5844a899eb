#include "tools/seed_dxcc_command.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "tools/dxcc_seed.h"

namespace kavo::tool {
namespace {

constexpr const char* kUsage = "usage: kavo-tool seed-dxcc DIR [--from FILE]";

}  // namespace

int RunSeedDxccCommand(int argc, char** argv) {
  if (argc != 2 && !(argc == 4 && std::string_view(argv[2]) == "--from")) {
    std::fprintf(stderr, "kavo-tool: %s\n", kUsage);
    return 2;
  }
  const std::string dir = argv[1];
  const std::string from = argc == 4 ? argv[3] : kDebianCtyCsv;
  if (!std::filesystem::is_directory(dir)) {
    std::fprintf(stderr, "kavo-tool: %s: not a directory\n", dir.c_str());
    return 1;
  }
  SeedResult result;
  std::string error;
  if (!SeedDxcc(dir, from, &result, &error)) {
    std::fprintf(stderr, "kavo-tool: %s\n", error.c_str());
    return 1;
  }
  std::printf("seeded\tDXCC\t%d added, %d already there and kept, %d shared by several countries\n",
              result.added, result.kept, result.shared);
  return 0;
}

}  // namespace kavo::tool
