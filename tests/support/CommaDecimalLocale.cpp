#include "CommaDecimalLocale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace tolva::test {

namespace {

const char* const SystemCUtf8 = "/usr/lib/locale/C.utf8";

} // namespace

std::string takeCommaDecimalLocale()
{
    const std::string folder = TOLVA_TREE_DIR "/locales";
    const std::string locale = folder + "/de_DE.UTF-8";
    std::error_code ignored;
    if (!std::filesystem::exists(locale + "/LC_NUMERIC")) {
        std::filesystem::create_directories(folder, ignored);
        const std::string command = "localedef -i de_DE -f UTF-8 " + locale + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0 || !std::filesystem::exists(locale + "/LC_NUMERIC")) {
            return "no comma-decimal locale: localedef or the de_DE locale source (Debian package \"locales\") "
                   "is missing";
        }
    }
    // The folder stands for the system's locales: the C locale's UTF-8 variant is there too.
    if (std::filesystem::exists(SystemCUtf8) && !std::filesystem::exists(folder + "/C.utf8")) {
        std::filesystem::create_directory_symlink(SystemCUtf8, folder + "/C.utf8", ignored);
    }
    setenv("LOCPATH", folder.c_str(), 1);
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    if (!std::setlocale(LC_ALL, "") || std::strcmp(std::localeconv()->decimal_point, ",") != 0) {
        return "the compiled de_DE.UTF-8 locale does not write a decimal comma";
    }
    return std::string();
}

} // namespace tolva::test
