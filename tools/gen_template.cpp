// Build-time generator: serialises the installer window's template for one target.
// Usage: gen_template <assets folder> <pointer size> <output file>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "flow/installer_window.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: gen_template <assets folder> <pointer size> <output file>\n";
        return 2;
    }
    const std::string assets = argv[1];
    const int pointerSize = std::stoi(argv[2]);
    bool missing = false;
    auto load = [&](const std::string& name) {
        std::ifstream in(assets + "/" + name, std::ios::binary);
        if (!in) {
            std::cerr << "gen_template: cannot read " << assets << "/" << name << "\n";
            missing = true;
            return std::string();
        }
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    };
    const std::string bytes = quill::WriteTemplate(quill::BuildInstallerTemplate(load, pointerSize));
    if (missing) return 1;
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}
