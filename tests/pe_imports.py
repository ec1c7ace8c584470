"""The DLL names in a PE file's import table (the ones the loader binds at start)."""
import struct

from pe_resources import PEImage

# Taken from the system folder by name on Windows 7 and 10 (the KnownDLLs there).
KNOWN_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll",
    "ole32.dll", "oleaut32.dll", "comdlg32.dll", "imm32.dll", "msvcrt.dll", "ws2_32.dll",
}


def imported_dlls(path):
    """The import table's DLL names, in table order; ValueError for a file that is no PE image."""
    image = PEImage(path)
    names = []
    import_rva, _ = image.directory(1)
    if import_rva == 0:
        return names
    descriptor = image.offset(import_rva)
    while True:
        fields = struct.unpack_from("<5I", image.data, descriptor)
        if not any(fields):
            return names
        name = image.offset(fields[3])
        names.append(image.data[name:image.data.index(b"\0", name)].decode("ascii"))
        descriptor += 20
