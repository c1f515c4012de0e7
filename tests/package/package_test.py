#!/usr/bin/env python3
"""The release as a player gets it: the zip holds the launcher, its page, its licences and the
note for players and nothing else; the program names one version everywhere and needs no DLL
beyond Windows' own; unzipped into an empty folder of a fresh Wine prefix, beside a stand-in
myr.exe, it answers "init" through the headless page.

    package_test.py ZIP STANDIN_EXE PAGE_FOLDER VERSION

Runs inside the Wine session of the Windows tests (DISPLAY set); makes a Wine prefix of its own.
"""

import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from wine_session import until, windows_path  # noqa: E402

PLAYER_FILES = {"myr_launcher.exe", "myr_launcher-readme.txt", "licenses/myr_launcher-license.txt",
                "licenses/myr_launcher-third-party-notices.txt"}
# What a 64-bit Windows 10 brings; anything else would have to ship in the zip.
SYSTEM_DLLS = {"advapi32.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "dwmapi.dll", "gdi32.dll",
               "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll",
               "user32.dll", "version.dll", "winhttp.dll", "ws2_32.dll", "windowscodecs.dll"}
RT_VERSION, RT_MANIFEST = 16, 24


class PortableExecutable:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        assert machine == 0x8664, f"machine {machine:#x}, not x64"
        optional = pe + 24
        assert struct.unpack_from("<H", data, optional)[0] == 0x20B, "not PE32+"
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i) for i in range(16)]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            size, address, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((address, max(size, raw_size), raw_at))

    def offset(self, rva):
        for address, size, raw_at in self.sections:
            if address <= rva < address + size:
                return raw_at + rva - address
        raise AssertionError(f"RVA {rva:#x} is in no section")

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imported_dlls(self):
        names = []
        for index, size in ((1, 20), (13, 32)):  # imports, delayed imports
            rva = self.directories[index][0]
            if not rva:
                continue
            at = self.offset(rva)
            while any(self.data[at:at + size]):
                name_rva = struct.unpack_from("<I", self.data, at + (12 if index == 1 else 4))[0]
                names.append(self.text(name_rva).lower())
                at += size
        return names

    def resource(self, kind, name):
        """The bytes of a resource of this type and numeric name, in whatever language."""
        root = self.offset(self.directories[2][0])

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                yield ident, target

        def child(directory, wanted):
            for ident, target in entries(directory):
                if ident == wanted:
                    return target
            raise AssertionError(f"no resource {kind}/{name}")

        names = root + (child(root, kind) & 0x7FFFFFFF)
        languages = root + (child(names, name) & 0x7FFFFFFF)
        leaf = root + next(entries(languages))[1]
        rva, size = struct.unpack_from("<II", self.data, leaf)
        at = self.offset(rva)
        return self.data[at:at + size]


def version_resource(block):
    """The fixed file and product versions and the string table's FileVersion and ProductVersion."""
    fixed = block.index(struct.pack("<I", 0xFEEF04BD))
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", block, fixed + 8)
    four = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"  # noqa: E731
    strings = {}
    for key in ("FileVersion", "ProductVersion"):
        at = block.index((key + "\0").encode("utf-16-le")) + 2 * (len(key) + 1)
        at += -at % 4
        end = at
        while block[end:end + 2] != b"\0\0":
            end += 2
        strings[key] = block[at:end].decode("utf-16-le")
    return four(file_ms, file_ls), four(product_ms, product_ls), strings


def check_listing(archive, page):
    page_files = {f"launcher-ui/{p.relative_to(page).as_posix()}": p for p in page.rglob("*") if p.is_file()}
    listed = {info.filename for info in archive.infolist() if not info.is_dir()}
    assert listed == PLAYER_FILES | set(page_files), (
        f"missing {sorted(PLAYER_FILES | set(page_files) - listed)}, extra {sorted(listed - PLAYER_FILES - set(page_files))}")
    for name, source in page_files.items():
        assert archive.read(name) == source.read_bytes(), f"{name} differs from the page's source"


def check_program(exe, version):
    program = PortableExecutable(exe)
    foreign = sorted(set(program.imported_dlls()) - SYSTEM_DLLS)
    assert not foreign, f"the launcher needs DLLs that Windows does not bring: {foreign}"
    fixed_file, fixed_product, strings = version_resource(program.resource(RT_VERSION, 1))
    assert (fixed_file, fixed_product) == (f"{version}.0", f"{version}.0"), (fixed_file, fixed_product)
    assert strings == {"FileVersion": version, "ProductVersion": version}, strings
    manifest = ElementTree.fromstring(program.resource(RT_MANIFEST, 1))
    v1 = "{urn:schemas-microsoft-com:asm.v1}"
    identity = manifest.find(f"{v1}assemblyIdentity")
    assert identity.get("version") == f"{version}.0", identity.attrib
    dependencies = {(d.get("name"), d.get("version"))
                    for d in manifest.iterfind(f"{v1}dependency/{v1}dependentAssembly/{v1}assemblyIdentity")}
    assert ("Microsoft.Windows.Common-Controls", "6.0.0.0") in dependencies, dependencies


def answer_init(folder, environment):
    output_path = folder.parent / "launcher-output.txt"
    with open(output_path, "wb") as output:
        launcher = subprocess.Popen(["wine", str(folder / "myr_launcher.exe")], cwd=folder, env=environment,
                                    stdin=subprocess.PIPE, stdout=output, stderr=subprocess.DEVNULL)
        try:
            launcher.stdin.write(b'{"id":1,"cmd":"init"}\n')
            launcher.stdin.flush()

            def reply():
                for line in output_path.read_text(errors="replace").splitlines():
                    message = json.loads(line) if line.startswith("{") else {}
                    if message.get("id") == 1:
                        return message
                return None

            message = until(reply, "the reply to init", timeout=60)
            launcher.stdin.close()
            assert launcher.wait(timeout=30) == 0, "the launcher did not end cleanly at the end of its input"
        finally:
            if launcher.poll() is None:
                launcher.kill()
    assert message.get("ok") is True, message
    return message["result"]


def main():
    package, standin, page, version = sys.argv[1:]
    package, page = Path(package), Path(page)
    assert package.name == f"myr_launcher-{version}-win64.zip", package.name
    with zipfile.ZipFile(package) as archive:
        check_listing(archive, page)
        check_program(archive.read("myr_launcher.exe"), version)

        with tempfile.TemporaryDirectory(prefix="myr-package-") as work:
            work = Path(work)
            game = work / "game"
            game.mkdir()
            archive.extractall(game)
            shutil.copy(standin, game / "myr.exe")
            environment = {k: v for k, v in os.environ.items() if k not in ("MYR_ISO", "WINEPATH", "WINEDLLPATH")}
            environment.update(WINEPREFIX=str(work / "prefix"), MYR_LAUNCHER_BROWSER="stdio")
            try:
                subprocess.run(["wineboot", "-i"], env=environment, check=True, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)
                # Wine's services start with the first program and keep its output open: start them now.
                subprocess.run(["wine", "cmd", "/c", "exit"], env=environment, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
                init = answer_init(game, environment)
            finally:
                subprocess.run(["wineserver", "-k"], env=environment, stderr=subprocess.DEVNULL)
                subprocess.run(["wineserver", "-w"], env=environment, stderr=subprocess.DEVNULL)

    assert init["version"] == version, init["version"]
    assert init["exeDir"] == windows_path(game), (init["exeDir"], windows_path(game))
    assert init["disc"]["ok"] is False and init["running"] is False, init
    print(f"{package.name}: {len(PLAYER_FILES)} files and the page; version {version} everywhere; "
          "answers init in a fresh Wine prefix")
    return 0


if __name__ == "__main__":
    sys.exit(main())
