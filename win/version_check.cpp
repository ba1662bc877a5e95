// Reads a file's version resource back through version.dll, as the Details tab of the file's
// properties does, and checks it against the build's version, the commit it is built from
// (tamberwick_commit.h, the header the DLLs' resource was compiled with) and the kind of build.
//
//   version-check <file> <major.minor.patch> <OriginalFilename> release|developer
//
// Exit status 0 when every check held, 1 when one failed, 2 for bad arguments.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tamberwick_commit.h"

namespace {

const char kProduct[] = "Tamberwick";
const char kDescription[] = "Tamberwick visitors plug-in";
const char kDeveloperDescription[] = "Tamberwick visitors plug-in (developer build: overlay and hotkeys)";
const char kCopyright[] = "Copyright (c) 2026 the Tamberwick developers";

int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++failures;
}

// The string under \StringFileInfo\<language>\<name>, or nullptr when there is none.
const char* stringValue(std::vector<char>& info, const std::string& language, const char* name) {
    const std::string path = "\\StringFileInfo\\" + language + "\\" + name;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), path.c_str(), &value, &length) || value == nullptr) return nullptr;
    return static_cast<const char*>(value);
}

// A version's four 16-bit parts, as "a.b.c.d".
std::string dotted(DWORD high, DWORD low) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", static_cast<unsigned>(HIWORD(high)),
                  static_cast<unsigned>(LOWORD(high)), static_cast<unsigned>(HIWORD(low)),
                  static_cast<unsigned>(LOWORD(low)));
    return text;
}

void checkString(std::vector<char>& info, const std::string& language, const char* name, const std::string& want) {
    const char* got = stringValue(info, language, name);
    std::string what = name;
    what += " is \"" + want + "\" (read: ";
    what += got ? got : "nothing";
    what += ")";
    check(got != nullptr && want == got, what);
}

}  // namespace

int main(int argc, char** argv) {
    unsigned major = 0, minor = 0, patch = 0;
    char extra = 0;
    const bool developer = argc == 5 && std::strcmp(argv[4], "developer") == 0;
    if (argc != 5 || std::sscanf(argv[2], "%u.%u.%u%c", &major, &minor, &patch, &extra) != 3 ||
        (!developer && std::strcmp(argv[4], "release") != 0)) {
        std::fprintf(stderr, "usage: %s <file> <major.minor.patch> <OriginalFilename> release|developer\n", argv[0]);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const char* file = argv[1];
    const std::string version = argv[2];

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    check(size > 0, std::string(file) + " has a version resource");
    if (size == 0) return 1;
    std::vector<char> info(size);
    check(GetFileVersionInfoA(file, 0, size, info.data()) != 0, "GetFileVersionInfoA read it");

    // The numbers: file and product version, the kind of file, the special-build flag.
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    const bool haveFixed = VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) &&
                           fixed != nullptr && length >= sizeof(VS_FIXEDFILEINFO);
    check(haveFixed && fixed->dwSignature == VS_FFI_SIGNATURE, "the fixed part is there, with its signature");
    if (haveFixed) {
        const DWORD ms = (major << 16) | minor, ls = patch << 16;
        check(
            fixed->dwFileVersionMS == ms && fixed->dwFileVersionLS == ls,
            "FILEVERSION is " + version + ".0 (read: " + dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS) + ")");
        check(fixed->dwProductVersionMS == ms && fixed->dwProductVersionLS == ls,
              "PRODUCTVERSION is " + version +
                  ".0 (read: " + dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS) + ")");
        check(fixed->dwFileType == VFT_DLL, "the file type is a DLL");
        const DWORD flags = fixed->dwFileFlags & fixed->dwFileFlagsMask;
        check(developer ? flags == VS_FF_SPECIALBUILD : flags == 0,
              developer ? "flagged as a special build" : "no file flags: an ordinary release");
    }

    // The strings, under the first language the resource lists.
    WORD* translation = nullptr;
    const bool haveLanguage =
        VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        translation != nullptr && length >= 2 * sizeof(WORD);
    check(haveLanguage, "the resource names its language and code page");
    if (!haveLanguage) return 1;
    char language[16];
    std::snprintf(language, sizeof language, "%04x%04x", translation[0], translation[1]);
    checkString(info, language, "ProductName", kProduct);
    checkString(info, language, "ProductVersion", version + "+" + TAMBERWICK_COMMIT);
    checkString(info, language, "FileVersion", version);
    checkString(info, language, "OriginalFilename", argv[3]);
    checkString(info, language, "LegalCopyright", kCopyright);
    checkString(info, language, "FileDescription", developer ? kDeveloperDescription : kDescription);
    if (developer) {
        checkString(info, language, "SpecialBuild", "developer build: overlay and hotkeys");
    } else {
        check(stringValue(info, language, "SpecialBuild") == nullptr, "no SpecialBuild string");
    }

    std::printf("%s: %d failure(s)\n", file, failures);
    return failures == 0 ? 0 : 1;
}
