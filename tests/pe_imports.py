"""The DLL names in a PE file's import table (the ones the loader binds at start)."""
import struct

# Taken from the system folder by name on Windows 7 and 10 (the KnownDLLs there).
KNOWN_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll",
    "ole32.dll", "oleaut32.dll", "comdlg32.dll", "imm32.dll", "msvcrt.dll", "ws2_32.dll",
}


def imported_dlls(path):
    """The import table's DLL names, in table order; ValueError for a file that is no PE image."""
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        raise ValueError(f"{path}: not a PE image")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE image")
    sections_count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    import_rva, import_size = struct.unpack_from("<II", data, directories + 8)
    sections = []
    for i in range(sections_count):
        header = optional + optional_size + 40 * i
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
        sections.append((virtual_address, max(virtual_size, raw_size), raw_offset))

    def offset(rva):
        for address, size, raw in sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError(f"{path}: RVA {rva:#x} outside every section")

    names = []
    if import_rva == 0:
        return names
    descriptor = offset(import_rva)
    while True:
        fields = struct.unpack_from("<5I", data, descriptor)
        if not any(fields):
            return names
        name = offset(fields[3])
        names.append(data[name:data.index(b"\0", name)].decode("ascii"))
        descriptor += 20
