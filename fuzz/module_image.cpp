#include "module_image.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace fuzz {

namespace {

// The module's globals lie between AddressSanitizer's redzones, and the copies cross those:
// byte by byte through volatile pointers, so neither the instrumentation nor an intercepted
// memcpy sees them.
__attribute__((no_sanitize("address"))) void copyBytes(unsigned char* to, const unsigned char* from, std::size_t n) {
    volatile unsigned char* t = to;
    const volatile unsigned char* f = from;
    for (std::size_t i = 0; i < n; ++i) t[i] = f[i];
}

struct Relro {
    uintptr_t base = 0;  // the module's load bias, to find it among the loaded objects
    uintptr_t begin = 0, end = 0;
};

int findRelro(dl_phdr_info* info, std::size_t, void* data) {
    auto* r = static_cast<Relro*>(data);
    if (info->dlpi_addr != r->base) return 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type != PT_GNU_RELRO) continue;
        r->begin = info->dlpi_addr + ph.p_vaddr;
        r->end = r->begin + ph.p_memsz;
    }
    return 1;
}

bool readAt(std::FILE* f, long offset, void* out, std::size_t n) {
    return std::fseek(f, offset, SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
}

bool isGlobalsSection(const char* name) {
    if (std::strncmp(name, "__sancov_", 9) == 0) return false;  // libFuzzer's counters and PC table
    return std::strcmp(name, ".data") == 0 || std::strncmp(name, ".data.", 6) == 0 || std::strcmp(name, ".bss") == 0 ||
           std::strncmp(name, ".bss.", 5) == 0;
}

struct Variable {
    uintptr_t end = 0;
    std::string name;
};

std::string demangled(const char* name) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> out(abi::__cxa_demangle(name, nullptr, nullptr, &status), std::free);
    return status == 0 && out ? out.get() : name;
}

// The module's data symbols by address, read from the file's symbol table.
std::map<uintptr_t, Variable> readVariables(const link_map* map) {
    std::map<uintptr_t, Variable> out;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(map->l_name, "rb"), std::fclose);
    ElfW(Ehdr) eh;
    if (!file || !readAt(file.get(), 0, &eh, sizeof eh) || eh.e_shentsize != sizeof(ElfW(Shdr))) return out;
    std::vector<ElfW(Shdr)> sections(eh.e_shnum);
    if (!readAt(file.get(), static_cast<long>(eh.e_shoff), sections.data(), sections.size() * sizeof(ElfW(Shdr))))
        return out;
    for (const ElfW(Shdr) & s : sections) {
        if (s.sh_type != SHT_SYMTAB || s.sh_link >= sections.size()) continue;
        std::vector<ElfW(Sym)> syms(s.sh_size / sizeof(ElfW(Sym)));
        std::string names(sections[s.sh_link].sh_size, '\0');
        if (!readAt(file.get(), static_cast<long>(s.sh_offset), syms.data(), syms.size() * sizeof(ElfW(Sym))) ||
            names.empty() ||
            !readAt(file.get(), static_cast<long>(sections[s.sh_link].sh_offset), names.data(), names.size()))
            return out;
        names.back() = '\0';
        for (const ElfW(Sym) & sym : syms)
            if (ELF64_ST_TYPE(sym.st_info) == STT_OBJECT && sym.st_size > 0 && sym.st_name < names.size())
                out[map->l_addr + sym.st_value] = {map->l_addr + sym.st_value + sym.st_size,
                                                   demangled(names.c_str() + sym.st_name)};
    }
    return out;
}

}  // namespace

std::vector<std::string> changedVariables(void* handle, const ModuleImage& a, const ModuleImage& b) {
    std::vector<std::string> out;
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map || a.ranges.size() != b.ranges.size()) {
        out.push_back("(the images cannot be compared)");
        return out;
    }
    const std::map<uintptr_t, Variable> vars = readVariables(map);
    for (std::size_t r = 0; r < a.ranges.size(); ++r) {
        const SavedRange& ra = a.ranges[r];
        const SavedRange& rb = b.ranges[r];
        if (ra.at != rb.at || ra.bytes.size() != rb.bytes.size()) {
            out.push_back("(the images cannot be compared)");
            return out;
        }
        for (std::size_t i = 0; i < ra.bytes.size(); ++i) {
            if (ra.bytes[i] == rb.bytes[i]) continue;
            const auto at = reinterpret_cast<uintptr_t>(ra.at) + i;
            auto it = vars.upper_bound(at);
            std::string name;
            if (it != vars.begin() && (--it)->second.end > at) {
                name = it->second.name;
                i = it->second.end - reinterpret_cast<uintptr_t>(ra.at) - 1;  // on past this variable
            } else {
                name = ra.section + "+" + std::to_string(i);
            }
            if (out.empty() || out.back() != name) out.push_back(name);
        }
    }
    return out;
}

bool saveModuleImage(void* handle, ModuleImage& image, std::string& why) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map) {
        why = "dlinfo found no link map";
        return false;
    }
    Relro relro{map->l_addr};
    dl_iterate_phdr(findRelro, &relro);

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(map->l_name, "rb"), std::fclose);
    if (!file) {
        why = std::string("cannot open ") + map->l_name;
        return false;
    }
    ElfW(Ehdr) eh;
    if (!readAt(file.get(), 0, &eh, sizeof eh) || std::memcmp(eh.e_ident, ELFMAG, SELFMAG) != 0 ||
        eh.e_shentsize != sizeof(ElfW(Shdr)) || eh.e_shstrndx >= eh.e_shnum) {
        why = std::string("no section headers in ") + map->l_name;
        return false;
    }
    std::vector<ElfW(Shdr)> sections(eh.e_shnum);
    if (!readAt(file.get(), static_cast<long>(eh.e_shoff), sections.data(), sections.size() * sizeof(ElfW(Shdr)))) {
        why = "cannot read the section headers";
        return false;
    }
    const ElfW(Shdr)& strtab = sections[eh.e_shstrndx];
    std::string names(strtab.sh_size, '\0');
    if (names.empty() || !readAt(file.get(), static_cast<long>(strtab.sh_offset), names.data(), names.size())) {
        why = "cannot read the section names";
        return false;
    }
    names.back() = '\0';

    image = {};
    for (const ElfW(Shdr) & s : sections) {
        if ((s.sh_flags & (SHF_ALLOC | SHF_WRITE)) != (SHF_ALLOC | SHF_WRITE) || s.sh_size == 0) continue;
        if (s.sh_type != SHT_PROGBITS && s.sh_type != SHT_NOBITS) continue;
        if (s.sh_name >= names.size()) continue;
        const uintptr_t begin = map->l_addr + s.sh_addr;
        if (std::strcmp(names.c_str() + s.sh_name, "__sancov_cntrs") == 0) {
            image.counters = reinterpret_cast<const unsigned char*>(begin);
            image.counterCount = s.sh_size;
        }
        if (!isGlobalsSection(names.c_str() + s.sh_name)) continue;
        if (begin < relro.end && begin + s.sh_size > relro.begin) continue;  // .data.rel.ro and kin
        SavedRange r{reinterpret_cast<unsigned char*>(begin), std::vector<unsigned char>(s.sh_size),
                     names.c_str() + s.sh_name};
        copyBytes(r.bytes.data(), r.at, r.bytes.size());
        image.bytes += r.bytes.size();
        image.ranges.push_back(std::move(r));
    }
    if (image.ranges.empty()) {
        why = std::string("no .data or .bss in ") + map->l_name;
        return false;
    }
    return true;
}

void restoreModuleImage(const ModuleImage& image) {
    for (const SavedRange& r : image.ranges) copyBytes(r.at, r.bytes.data(), r.bytes.size());
}

}  // namespace fuzz
