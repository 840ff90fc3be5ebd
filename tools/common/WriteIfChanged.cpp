#include "WriteIfChanged.h"

#include <fstream>
#include <iterator>

bool WriteIfChanged(const std::string& path, const std::string& bytes)
{
    std::ifstream old(path, std::ios::binary);
    if (old) {
        std::string current((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
        if (current == bytes)
            return true;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out.flush());
}
