// Build-time generator: serialises the installer window's template for one target.
// Usage: gen_template <assets folder> <installed product file> <pointer size> <output file>
// The installed product file holds the brand folder and the product name, GBK, one a line
// (tools/brand_file.py installed).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "flow/installer_window.h"

namespace {

bool ReadWhole(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "gen_template: cannot read " << path << "\n";
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    *bytes = s.str();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: gen_template <assets folder> <installed product file> <pointer size> <output file>\n";
        return 2;
    }
    const std::string assets = argv[1];
    std::string installed;
    if (!ReadWhole(argv[2], &installed)) return 1;
    std::istringstream lines(installed);
    quill::InstalledProduct product;
    if (!std::getline(lines, product.brandFolder) || !std::getline(lines, product.name) || product.name.empty()) {
        std::cerr << "gen_template: " << argv[2] << " must hold the brand folder and the product name\n";
        return 1;
    }
    const int pointerSize = std::stoi(argv[3]);
    bool missing = false;
    auto load = [&](const std::string& name) {
        std::string bytes;
        if (!ReadWhole(assets + "/" + name, &bytes)) missing = true;
        return bytes;
    };
    const std::string bytes = quill::WriteTemplate(quill::BuildInstallerTemplate(load, product, pointerSize));
    if (missing) return 1;
    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}
