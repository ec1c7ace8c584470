"""Resources of a PE file, and the strings of its version information."""
import struct

RT_VERSION = 16


class PEImage:
    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError(f"{path}: not a PE image")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: not a PE image")
        sections_count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        self.timestamp = struct.unpack_from("<I", data, pe + 8)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.directories = optional + {0x10B: 96, 0x20B: 112}[magic]
        self.sections = []
        for i in range(sections_count):
            header = optional + optional_size + 40 * i
            virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", data, header + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_offset))

    def directory(self, index):
        """(RVA, size) of data directory INDEX."""
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError(f"{self.path}: RVA {rva:#x} outside every section")

    def resource(self, kind, ident):
        """The bytes of resource KIND/IDENT (numeric ids, first language); None without it."""
        root_rva, _ = self.directory(2)
        if root_rva == 0:
            return None
        root = self.offset(root_rva)

        def entries(table):
            named, numbered = struct.unpack_from("<12xHH", self.data, table)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, table + 16 + 8 * i)
                yield name, target

        table = root
        for wanted in (kind, ident, None):
            for name, target in entries(table):
                if wanted is None or (not name & 0x80000000 and name == wanted):
                    break
            else:
                return None
            if target & 0x80000000:
                table = root + (target & 0x7FFFFFFF)
            else:
                rva, size = struct.unpack_from("<II", self.data, root + target)
                start = self.offset(rva)
                return self.data[start:start + size]
        return None


def _align(offset):
    return (offset + 3) & ~3


def _node(block, offset):
    """(key, value bytes, is text, children offset, end) of the node at OFFSET."""
    length, value_length, kind = struct.unpack_from("<HHH", block, offset)
    end = offset + length
    key_end = offset + 6
    while block[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = block[offset + 6:key_end].decode("utf-16-le")
    value = _align(key_end + 2)
    value_bytes = value_length * 2 if kind == 1 else value_length
    return key, block[value:min(value + value_bytes, end)], kind == 1, _align(value + value_bytes), end


def _children(block, start, end):
    while start < end:
        node = _node(block, start)
        yield node
        start = _align(node[4])


def version_info(path):
    """{"fixed": (file version numbers, product version numbers), "translation": (lang, codepage),
    "table": string table key, "strings": {name: text}}; None without version information."""
    block = PEImage(path).resource(RT_VERSION, 1)
    if block is None:
        return None
    key, value, _, children, end = _node(block, 0)
    if key != "VS_VERSION_INFO":
        raise ValueError(f"{path}: version information starts with {key!r}")
    signature, _, fms, fls, pms, pls = struct.unpack_from("<6I", value)
    if signature != 0xFEEF04BD:
        raise ValueError(f"{path}: no VS_FIXEDFILEINFO")

    def numbers(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    info = {"fixed": (numbers(fms, fls), numbers(pms, pls)), "strings": {}, "translation": None, "table": None}
    for key, value, _, sub, sub_end in _children(block, children, end):
        if key == "StringFileInfo":
            for table, _, _, entries, table_end in _children(block, sub, sub_end):
                info["table"] = table
                for name, text, _, _, _ in _children(block, entries, table_end):
                    info["strings"][name] = text.decode("utf-16-le").rstrip("\0")
        elif key == "VarFileInfo":
            for name, value, _, _, _ in _children(block, sub, sub_end):
                if name == "Translation":
                    info["translation"] = struct.unpack_from("<HH", value)
    return info
