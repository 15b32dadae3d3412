// tessary-manpage TEMPLATE OUT: writes the man page, with its OPTIONS taken from the same table
// as --help, so the two never disagree. Replaces the lines "@OPTIONS@" and the word
// "@VERSION@" of the template.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "app/build_config.h"
#include "app/options.h"

namespace {

// Roff reads a plain '-' as a hyphen and '\' as an escape; option names need minus signs.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '-') out += "\\-";
    else if (c == '\\') out += "\\e";
    else out += c;
  }
  return out;
}

std::string OptionsSection() {
  std::string text;
  for (const app::OptionInfo& option : app::OptionTable()) {
    const std::string name = Roff(std::string("--") + option.longName);
    if (option.argument)
      text += ".TP\n.BI \"" + name + " \" " + Roff(option.argument) + "\n";
    else
      text += ".TP\n.B " + name + "\n";
    text += Roff(option.help) + "\n";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tessary-manpage TEMPLATE OUT\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "tessary-manpage: cannot read %s\n", argv[1]);
    return 1;
  }
  std::ostringstream page;
  std::string line;
  while (std::getline(in, line)) {
    if (line == "@OPTIONS@") {
      page << OptionsSection();
      continue;
    }
    for (std::size_t at; (at = line.find("@VERSION@")) != std::string::npos;)
      line.replace(at, 9, app::kVersion);
    page << line << '\n';
  }
  std::ofstream out(argv[2], std::ios::trunc);
  out << page.str();
  if (!out.good()) {
    std::fprintf(stderr, "tessary-manpage: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
