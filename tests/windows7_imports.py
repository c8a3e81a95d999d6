#!/usr/bin/python3
"""Fails when a Windows program imports a DLL or a function that Windows 7 does not have, so that
it would not even start there.

    windows7_imports.py OBJDUMP PROGRAM.exe...

Reads the import tables with objdump -p.
"""
import re
import subprocess
import sys

# DLLs that came after Windows 7 (or only with an update it may lack): the Universal C runtime,
# the DPI and WinRT libraries, and the API sets that Windows 7 did not define.
NEWER_DLLS = re.compile(r"^(ucrtbase|shcore|api-ms-win-.*-l1-2-\d+|combase|"
                        r"api-ms-win-core-winrt.*|vcruntime140)\.dll$", re.IGNORECASE)

# Functions of the system DLLs that Windows 7 lacks, Windows 8 to 10 added.
NEWER_FUNCTIONS = {
    # user32: per-monitor DPI (Windows 10)
    "GetDpiForWindow", "GetDpiForSystem", "GetSystemMetricsForDpi", "SystemParametersInfoForDpi",
    "AdjustWindowRectExForDpi", "EnableNonClientDpiScaling", "SetProcessDpiAwarenessContext",
    "SetThreadDpiAwarenessContext", "GetThreadDpiAwarenessContext", "GetDpiForMonitor",
    "SetProcessDpiAwareness", "GetProcessDpiAwareness", "LogicalToPhysicalPointForPerMonitorDPI",
    "PhysicalToLogicalPointForPerMonitorDPI", "GetPointerInfo", "GetPointerType",
    "EnableMouseInPointer", "RegisterPointerInputTarget",
    # kernel32 (Windows 8 and later)
    "GetSystemTimePreciseAsFileTime", "CreateFile2", "WaitOnAddress", "WakeByAddressSingle",
    "WakeByAddressAll", "GetOverlappedResultEx", "PrefetchVirtualMemory", "SetThreadDescription",
    "GetThreadDescription", "InitializeSynchronizationBarrier", "EnterSynchronizationBarrier",
    "DeleteSynchronizationBarrier", "GetCurrentPackageId", "GetCurrentPackageFullName",
    "CompareObjectHandles", "SetDefaultDllDirectories", "AddDllDirectory", "RemoveDllDirectory",
    "GetCurrentThreadStackLimits", "CreateRemoteThreadEx", "GetProcessInformation",
    "SetProcessInformation", "SetThreadInformation", "GetThreadInformation",
    "VirtualAlloc2", "MapViewOfFile3", "GetSystemFirmwareTable2", "GetFirmwareType",
    "GetTempPath2W", "GetTempPath2A",
    # ws2_32 and iphlpapi (Windows 8 and later)
    "GetAddrInfoExCancel", "GetAddrInfoExOverlappedResult", "GetIfTable2Ex",
    "ConvertLengthToIpv4Mask2",
}


def imports(objdump, program):
    """(DLL, function) for every import of a program."""
    text = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                          text=True).stdout
    dll = None
    found = []
    for line in text.splitlines():
        name = re.match(r"\s*DLL Name: (\S+)", line)
        if name:
            dll = name.group(1)
            continue
        # "\t<vma>\t<hint>  <name>" under the DLL's "vma:  Hint/Ord Member-Name Bound-To" line.
        entry = re.match(r"^\t[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$", line)
        if dll and entry:
            found.append((dll, entry.group(1)))
    return found


def main(objdump, programs):
    faults = []
    for program in programs:
        found = imports(objdump, program)
        if not found:
            faults.append(f"{program}: no imports read, objdump's output was not understood")
        for dll, function in found:
            if NEWER_DLLS.match(dll):
                faults.append(f"{program}: imports {dll}, which Windows 7 does not have")
            elif function in NEWER_FUNCTIONS:
                faults.append(f"{program}: imports {function} from {dll}, newer than Windows 7")
        dlls = sorted({dll for dll, _ in found}, key=str.lower)
        print(f"{program}: {len(found)} imports from {', '.join(dlls)}")
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
