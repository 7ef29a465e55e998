// Writes one piece of a fake tool's output, given in hexadecimal, so that the runner reading
// the tool gets it in a read of its own however late it reads.
#include <cstdio>
#include <string>

#include "tools/common/OwnRead.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string hex = argv[1];
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  zuvo::tools::writeInOwnRead(stdout, bytes);
  return 0;
}
