// mkzip [--password PW] [--store .ext,.ext] ARCHIVE FOLDER
// Packs FOLDER's contents into ARCHIVE (names relative to FOLDER).
#include "zip_writer.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    std::string password, archive, folder;
    std::vector<std::string> stored;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--password" && i + 1 < argc) {
            password = argv[++i];
        } else if (a == "--store" && i + 1 < argc) {
            std::stringstream list(argv[++i]);
            for (std::string ext; std::getline(list, ext, ',');) stored.push_back(ext);
        } else if (archive.empty()) {
            archive = a;
        } else if (folder.empty()) {
            folder = a;
        } else {
            archive.clear();
            break;
        }
    }
    if (archive.empty() || folder.empty()) {
        std::cerr << "usage: mkzip [--password PW] [--store .ext,.ext] ARCHIVE FOLDER\n";
        return 2;
    }
    try {
        upd::tools::ZipWriter writer(password);
        upd::tools::addFolder(writer, folder, stored);
        const std::string bytes = writer.finish();
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out) throw std::runtime_error("cannot write " + archive);
    } catch (const std::exception& e) {
        std::cerr << "mkzip: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
