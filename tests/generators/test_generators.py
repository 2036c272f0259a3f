#!/usr/bin/env python3
"""Checks of the build's generators: the artwork, the sample payload and the resource script.

    python3 tests/generators/test_generators.py [-v]

The resource-script cases need i686-w64-mingw32-windres and are skipped without it.
"""

import lzma
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.dom.minidom
import zlib

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(REPO, "tools"))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

import make_artwork  # noqa: E402
import make_payload  # noqa: E402

WINDRES = shutil.which("i686-w64-mingw32-windres")

EXPECTED_PAYLOAD = [
    (102, "install.bin", 13608144),
    (103, "empty.msi", 9728),
    (104, "Brasswick.Hopwell.UI.exe", None),
    (105, "Brasswick.Hopwell.UI.exe.config", 273),
    (106, "Brasswick.Hopwell.Engine.dll", 244104),
    (107, "Brasswick.Packrill.dll", 76168),
    (108, "KitbagInstaller.project", 121913),
    (109, "ProjectItems.xml", 293),
]


def slurp(path, limit=-1):
    with open(path, "rb") as f:
        return f.read(limit)


def read_res(path):
    """Entries of a .res file as {(type, name): (language, bytes)}; ordinals are ints."""
    data = slurp(path)

    def name_at(off):
        if struct.unpack_from("<H", data, off)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, off + 2)[0], off + 4
        end = off
        while struct.unpack_from("<H", data, end)[0]:
            end += 2
        return data[off:end].decode("utf-16-le"), end + 2

    out = {}
    off = 0
    while off < len(data):
        size, header = struct.unpack_from("<II", data, off)
        rtype, o = name_at(off + 8)
        rname, o = name_at(o)
        o = (o + 3) & ~3
        lang = struct.unpack_from("<H", data, o + 6)[0]
        if size:
            out[(rtype, rname)] = (lang, data[off + header:off + header + size])
        off = (off + header + size + 3) & ~3
    return out


def string_table(res):
    strings = {}
    for (rtype, block), (_, body) in res.items():
        if rtype != 6:
            continue
        o = 0
        for i in range(16):
            n = struct.unpack_from("<H", body, o)[0]
            if n:
                strings[(block - 1) * 16 + i] = body[o + 2:o + 2 + 2 * n].decode("utf-16-le")
            o += 2 + 2 * n
    return strings


def mtimes(folder):
    return {os.path.join(d, f): os.stat(os.path.join(d, f)).st_mtime_ns
            for d, _, files in os.walk(folder) for f in files}


class Scratch(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="kitbag-gen-")
        self.addCleanup(shutil.rmtree, self.tmp)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)


class PayloadTest(Scratch):
    def setUp(self):
        super().setUp()
        self.wizard = self.path("wizard.exe")
        with open(self.wizard, "wb") as f:
            f.write(b"MZ" + bytes(range(256)) * 7)
        self.out = self.path("out")

    def run_tool(self, *extra, out=None):
        return subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_payload.py"),
                               "--wizard", self.wizard, "--out", out or self.out, *extra],
                              capture_output=True, text=True)

    def test_files_and_manifest_agree(self):
        self.assertEqual(self.run_tool().returncode, 0)
        manifest = slurp(os.path.join(self.out, "manifest.txt"))
        self.assertFalse(manifest.endswith((b"\n", b"\0")))
        fields = manifest.decode("ascii").split("*")
        self.assertEqual(len(fields), 3 * len(EXPECTED_PAYLOAD))
        wizard_size = os.path.getsize(self.wizard)
        for i, (rid, name, size) in enumerate(EXPECTED_PAYLOAD):
            size = wizard_size if size is None else size
            self.assertEqual(fields[3 * i:3 * i + 3], [str(rid), name, str(size)])
            self.assertEqual(os.path.getsize(os.path.join(self.out, "files", name)), size, name)
        self.assertEqual(slurp(os.path.join(self.out, "files", "Brasswick.Hopwell.UI.exe")),
                         slurp(self.wizard))
        for name in ("Brasswick.Hopwell.UI.exe.config", "ProjectItems.xml"):
            xml.dom.minidom.parse(os.path.join(self.out, "files", name))

    def test_resource_script_lists_manifest_then_files_by_absolute_path(self):
        self.run_tool()
        lines = [l for l in slurp(os.path.join(self.out, "payload.rc")).decode().splitlines() if "TOOLKIT" in l]
        ids = [int(l.split()[0]) for l in lines]
        self.assertEqual(ids, list(range(101, 110)))
        paths = [re.search(r'"(.*)"', l).group(1) for l in lines]
        self.assertEqual(paths[0], os.path.abspath(os.path.join(self.out, "manifest.txt")))
        for (_, name, _), p in zip(EXPECTED_PAYLOAD, paths[1:]):
            self.assertTrue(os.path.isabs(p) and p.endswith("/files/" + name), p)

    def test_same_input_gives_same_bytes(self):
        self.run_tool()
        self.run_tool(out=self.path("again"))
        for rid, name, _ in EXPECTED_PAYLOAD:
            a = slurp(os.path.join(self.out, "files", name))
            b = slurp(self.path("again", "files", name))
            self.assertEqual(a, b, name)
        # Different files must not share one stream.
        files = [slurp(os.path.join(self.out, "files", n), 4096) for _, n, _ in EXPECTED_PAYLOAD]
        self.assertEqual(len(set(files)), len(files))

    def test_rerun_rewrites_only_what_changed(self):
        self.run_tool()
        before = mtimes(self.out)
        self.run_tool()
        self.assertEqual(mtimes(self.out), before)

        with open(self.wizard, "ab") as f:
            f.write(b"longer")
        self.run_tool()
        after = mtimes(self.out)
        changed = {os.path.relpath(p, self.out) for p in after if after[p] != before[p]}
        self.assertEqual(changed, {"manifest.txt", os.path.join("files", "Brasswick.Hopwell.UI.exe")})
        self.assertIn("*104*Brasswick.Hopwell.UI.exe*%d*" % os.path.getsize(self.wizard),
                      "*" + slurp(os.path.join(self.out, "manifest.txt")).decode())

    def test_missing_wizard_fails_without_output(self):
        os.remove(self.wizard)
        result = self.run_tool()
        self.assertEqual(result.returncode, 1)
        self.assertIn("wizard", result.stderr)
        self.assertFalse(os.path.exists(self.out))

    def test_resource_strings_escape_quotes_and_backslashes(self):
        self.assertEqual(make_payload.rc_string('/a b/c"d\\e'), '"/a b/c""d\\\\e"')
        with self.assertRaises(ValueError):
            make_payload.rc_string("/a\nb")
        with self.assertRaises(ValueError):
            make_payload.manifest_text([(102, "a*b", 1)])

    def test_xml_padding_is_exact_and_refuses_overflow(self):
        text = '<?xml version="1.0"?>\n<a/>\n'
        for room in (0, 1, 7, 8, 9, 26, 27, 28, 100):
            padded = make_payload.padded_xml(text, len(text) + room)
            self.assertEqual(len(padded), len(text) + room, room)
            xml.dom.minidom.parseString(padded)
        with self.assertRaises(ValueError):
            make_payload.padded_xml(text, len(text) - 1)

    @unittest.skipUnless(WINDRES, "no windres")
    def test_windres_reads_every_file_even_from_awkward_paths(self):
        self.out = self.path('we ird "q" \\b', "out")
        self.run_tool()
        plain = self.path("payload.rc")
        shutil.copy(os.path.join(self.out, "payload.rc"), plain)
        subprocess.run([WINDRES, plain, "-O", "res", "-o", self.path("p.res")], check=True, cwd=self.tmp,
                       capture_output=True)
        res = read_res(self.path("p.res"))
        manifest = res[("TOOLKIT", 101)][1]
        self.assertEqual(manifest, slurp(os.path.join(self.out, "manifest.txt")))
        for rid, name, _ in EXPECTED_PAYLOAD:
            self.assertEqual(res[("TOOLKIT", rid)][1], slurp(os.path.join(self.out, "files", name)))


class ArtworkTest(Scratch):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="kitbag-art-")
        subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_artwork.py"), cls.dir], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def read(self, name):
        return slurp(os.path.join(self.dir, name))

    def check_bmp(self, name, width, height):
        data = self.read(name)
        magic, file_size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
        hsize, w, h, planes, bpp, comp, image = struct.unpack_from("<IiiHHII", data, 14)
        row = (width * 3 + 3) & ~3
        self.assertEqual((magic, file_size, offset), (b"BM", len(data), 54))
        self.assertEqual((hsize, w, h, planes, bpp, comp), (40, width, height, 1, 24, 0))  # h > 0: bottom-up
        self.assertEqual(image, row * height)
        self.assertEqual(len(data), 54 + row * height)
        for y in range(height):
            self.assertEqual(data[54 + y * row + width * 3:54 + (y + 1) * row], b"\0" * (row - width * 3))
        return data, row

    def test_bitmaps(self):
        self.check_bmp("splash.bmp", 425, 208)
        data, row = self.check_bmp("header.bmp", 634, 78)
        # The header is centred and may be cropped or padded at the sides: its edges are flat.
        corner = data[54:57]
        for y in range(78):
            line = data[54 + y * row:54 + y * row + 634 * 3]
            self.assertEqual(line[:12 * 3], corner * 12, y)
            self.assertEqual(line[-12 * 3:], corner * 12, y)

    def test_icon(self):
        data = self.read("kitbag.ico")
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 3))
        expected_offset = 6 + 16 * count
        for i, size in enumerate((48, 32, 16)):
            w, h, colours, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            self.assertEqual((w, h, colours, planes, bpp), (size, size, 0, 1, 32))
            self.assertEqual(offset, expected_offset)
            expected_offset += length
            hsize, dw, dh, _, dbpp = struct.unpack_from("<IiiHH", data, offset)
            mask_row = ((size + 31) // 32) * 4
            self.assertEqual((hsize, dw, dh, dbpp), (40, size, 2 * size, 32))
            self.assertEqual(length, 40 + size * size * 4 + mask_row * size)

            pixels = data[offset + 40:offset + 40 + size * size * 4]
            mask = data[offset + 40 + size * size * 4:offset + length]

            def alpha(x, y):  # y from the top
                return pixels[((size - 1 - y) * size + x) * 4 + 3]

            def masked(x, y):
                return bool(mask[(size - 1 - y) * mask_row + x // 8] & (0x80 >> (x % 8)))

            self.assertEqual((alpha(0, 0), masked(0, 0)), (0, True))
            self.assertEqual((alpha(size - 1, size - 1), masked(size - 1, size - 1)), (0, True))
            self.assertEqual((alpha(size // 2, size * 2 // 3), masked(size // 2, size * 2 // 3)), (255, False))
        self.assertEqual(expected_offset, len(data))

    def test_deterministic_and_not_rewritten(self):
        before = mtimes(self.dir)
        out = self.path("again")
        subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_artwork.py"), out], check=True)
        subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_artwork.py"), self.dir], check=True)
        self.assertEqual(mtimes(self.dir), before)
        for name in ("header.bmp", "splash.bmp", "kitbag.ico"):
            self.assertEqual(slurp(os.path.join(out, name)), self.read(name), name)


@unittest.skipUnless(WINDRES, "no windres")
class ResourceScriptTest(unittest.TestCase):
    SETTINGS = {"KITBAG_PROGRAM_TYPE": "AnyCPU", "KITBAG_TITLE": "Kitbag", "KITBAG_DISK_MB": "500",
                "KITBAG_DOTNET_20": "0", "KITBAG_DOTNET_30": "0", "KITBAG_DOTNET_35": "0",
                "KITBAG_DOTNET_40_CLIENT": "0", "KITBAG_DOTNET_40_FULL": "0", "KITBAG_DOTNET_45_CLIENT": "0",
                "KITBAG_DOTNET_45_FULL": "1", "KITBAG_ADMIN_INSTALL": "1", "KITBAG_PROGRAM_NAME": "Roza"}

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="kitbag-rc-")
        art, variant = os.path.join(cls.tmp, "art"), os.path.join(cls.tmp, "variant")
        os.makedirs(variant)
        subprocess.run([sys.executable, os.path.join(REPO, "tools", "make_artwork.py"), art], check=True)
        for name, rid in (("header", "130"), ("splash", "133")):
            subprocess.run([sys.executable, os.path.join(REPO, "tools", "compress_picture.py"),
                            os.path.join(art, name + ".bmp"), rid, os.path.join(art, name + ".block")],
                           check=True)
        cls.art = art
        template = slurp(os.path.join(REPO, "res", "settings.rc.in")).decode()
        settings = re.sub(r"@(\w+)@", lambda m: cls.SETTINGS[m.group(1)], template)
        with open(os.path.join(variant, "settings.rc"), "w") as f:
            f.write(settings)
        manifest = slurp(os.path.join(REPO, "res", "KitbagInstaller.manifest.in")).decode()
        with open(os.path.join(variant, "KitbagInstaller.manifest"), "w") as f:
            f.write(manifest.replace("@KITBAG_MANIFEST_ARCHITECTURE@", "X86"))
        res = os.path.join(cls.tmp, "k.res")
        # Run from elsewhere: every file must come through the include path.
        subprocess.run([WINDRES, "-I", variant, "-I", art, os.path.join(REPO, "res", "KitbagInstaller.rc"),
                        "-O", "res", "-o", res], check=True, cwd=cls.tmp)
        cls.res = read_res(res)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def test_resources_present(self):
        for key in [(5, 100), (5, 102), (5, 131), (5, 146), ("PICTURE", 130), ("PICTURE", 133), (14, 5),
                    (16, 1), (24, 1)]:
            self.assertIn(key, self.res)
        self.assertFalse([k for k in self.res if k[0] == 2], "no uncompressed bitmap")
        icons = [k for k in self.res if k[0] == 3]
        self.assertEqual(len(icons), 3)
        self.assertIn(b"requireAdministrator", self.res[(24, 1)][1])

    def test_strings_read_as_the_compiler_reads_them(self):
        with open(os.path.join(REPO, "res", "message_texts.h")) as f:
            header = f.read()
        with open(os.path.join(REPO, "res", "resource_ids.h")) as f:
            ids = dict(re.findall(r"#define (IDS_\w+) (\d+)", f.read()))
        strings = string_table(self.res)
        texts = re.findall(r'#define TEXT_(\w+) "((?:[^"\\]|\\.)*)"', header)
        self.assertEqual(len(texts), 17)
        for name, literal in texts:
            expected = literal.encode("ascii").decode("unicode_escape")
            self.assertEqual(strings[int(ids["IDS_" + name])], expected, name)
        self.assertIn("\n\textract", strings[114])
        self.assertIn("c:\\log.txt", strings[114])
        settings = {int(ids[i]): v for i, v in [
            ("IDS_PROGRAM_TYPE", "AnyCPU"), ("IDS_PRODUCT", "Kitbag"), ("IDS_REQUIRED_DISK_MB", "500"),
            ("IDS_DOTNET_45_CLIENT", "0"), ("IDS_DOTNET_45_FULL", "1"), ("IDS_ADMIN_INSTALL", "1"),
            ("IDS_PROGRAM_NAME", "Roza")]}
        for rid, value in settings.items():
            self.assertEqual(strings[rid], value, rid)

    def test_main_dialog_controls_in_order(self):
        body = self.res[(5, 102)][1]
        _, _, _, ex, style, count = struct.unpack_from("<HHIIIH", body, 0)
        self.assertEqual(ex, 0x00040000)  # WS_EX_APPWINDOW
        self.assertTrue(style & 0x10000000)  # WS_VISIBLE
        found = []
        o = body.find("Tahoma".encode("utf-16-le")) + len("Tahoma\0".encode("utf-16-le"))
        for _ in range(count):
            o = (o + 3) & ~3
            _, _, cstyle, x, y, cx, cy, cid = struct.unpack_from("<IIIhhhhi", body, o)
            found.append((cid, x, y, cx, cy))
            o += 24
            for _ in range(2):  # class, text
                if struct.unpack_from("<H", body, o)[0] == 0xFFFF:
                    o += 4
                else:
                    while struct.unpack_from("<H", body, o)[0]:
                        o += 2
                    o += 2
            o += 2 + struct.unpack_from("<H", body, o)[0]
        self.assertEqual(found, [(1006, 0, 0, 410, 48), (1003, 14, 59, 381, 12), (1000, 14, 73, 392, 47),
                                 (-1, 0, 141, 410, 1), (1, 296, 147, 50, 16), (2, 353, 147, 50, 16),
                                 (1001, 14, 121, 386, 12)])

    def test_pictures_are_blocks_of_their_bitmap(self):
        # The head and member as payload/format/solid_block.h reads them; the raw LZMA stream, decoded
        # with the properties the head names, is the bitmap resource: the BMP file without its
        # 14-byte file header.
        for name, rid in (("header", 130), ("splash", 133)):
            block = self.res[("PICTURE", rid)][1]
            dib = slurp(os.path.join(self.art, name + ".bmp"))[14:]
            magic, method, count, props, dict_size = struct.unpack_from("<4sIIBI", block, 0)
            self.assertEqual((magic, method, count), (b"KBS\x01", 1, 1))
            self.assertEqual(struct.unpack_from("<IIII", block, 20), (rid, len(dib), zlib.crc32(dib), 0))
            lc, lp, pb = props % 9, props // 9 % 5, props // 45
            stream = block[36:]
            self.assertEqual(lzma.decompress(stream, format=lzma.FORMAT_RAW, filters=[
                {"id": lzma.FILTER_LZMA1, "lc": lc, "lp": lp, "pb": pb, "dict_size": dict_size}]), dib)
            self.assertLess(len(block), len(dib) // 15)

    def test_version(self):
        body = self.res[(16, 1)][1]
        fixed = body.find(struct.pack("<I", 0xFEEF04BD))
        ms, ls, pms, pls = struct.unpack_from("<IIII", body, fixed + 8)
        self.assertEqual((ms, ls, pms, pls), (0x00010008, 0x00020166, 0x00010008, 0x00020166))
        self.assertIn("1.8.2.358".encode("utf-16-le"), body)
        self.assertIn("040904b0".encode("utf-16-le"), body)


if __name__ == "__main__":
    unittest.main()
