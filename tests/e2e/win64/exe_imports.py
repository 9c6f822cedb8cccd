"""What the Windows programs import: only DLLs every Windows 10 has, and never
the ones the program loads at run time so that it still starts where they are
missing (DirectComposition, WinRT), nor a runtime DLL of the compiler."""
import os
import re
import subprocess

# Loaded with LoadLibrary/GetProcAddress: absent or incomplete on some systems (and in Wine).
DYNAMIC = {"dcomp.dll", "combase.dll", "api-ms-win-core-winrt-l1-1-0.dll",
           "api-ms-win-core-winrt-string-l1-1-0.dll", "uxtheme.dll"}
SYSTEM = {"advapi32.dll", "kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
          "msvcrt.dll", "d2d1.dll", "d3d11.dll", "dxgi.dll", "dwrite.dll", "dwmapi.dll", "comctl32.dll",
          "oleacc.dll", "shlwapi.dll", "winhttp.dll", "bcrypt.dll", "crypt32.dll", "wintrust.dll", "cabinet.dll",
          "version.dll", "psapi.dll", "ntdll.dll", "uuid.dll", "comdlg32.dll", "windowscodecs.dll", "imm32.dll"}


def imports(exe):
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], check=True, capture_output=True, text=True).stdout
    return {name.lower() for name in re.findall(r"DLL Name: (\S+)", out)}


def main():
    for exe in (os.environ["MB_BIN"], os.environ["MB_RENDER_WINDOW"]):
        names = imports(exe)
        assert names, f"{exe}: no imports found"
        assert not names & DYNAMIC, f"{os.path.basename(exe)} imports {sorted(names & DYNAMIC)}: load them at run time"
        assert names <= SYSTEM, f"{os.path.basename(exe)} imports DLLs that are not part of Windows: {sorted(names - SYSTEM)}"
        print(f"exe_imports: {os.path.basename(exe)}: {' '.join(sorted(names))}")


if __name__ == "__main__":
    main()
