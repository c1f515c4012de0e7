// What the system counts for other processes, for bench/soak.py (run under Wine; not a test).
//
//   process_counts <pid>...            one JSON line per process: handles, threads, memory
//   process_counts --find <exe name>   one JSON line per running process of that name: pid, image
//
// Under Wine GetProcessHandleCount of another process answers 0, and the process list's
// HandleCount is the size its handle table has grown to, so handles are counted in the system's
// list of every open handle; threads and memory come from the process list.

#include <windows.h>

#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "foundation/files/ascii_text.h"
#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "foundation/json/json.h"

namespace {

using myr::json::Value;

// SystemProcessInformation: entries chained by NextEntryOffset, each followed by its threads.
template <typename Visit>
void forEachProcess(const std::vector<unsigned char>& list, Visit visit) {
  for (std::size_t offset = 0; offset < list.size();) {
    const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(list.data() + offset);
    visit(*entry);
    if (entry->NextEntryOffset == 0) break;
    offset += entry->NextEntryOffset;
  }
}

// SystemExtendedHandleInformation, which winternl.h leaves out.
constexpr auto kSystemExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);
struct HandleEntry {
  PVOID object;
  ULONG_PTR processId;
  ULONG_PTR handle;
  ULONG grantedAccess;
  USHORT creatorBackTraceIndex;
  USHORT objectTypeIndex;
  ULONG attributes;
  ULONG reserved;
};
struct HandleList {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry entries[1];
};

std::vector<unsigned char> systemList(SYSTEM_INFORMATION_CLASS kind) {
  std::vector<unsigned char> buffer(1 << 20);
  ULONG needed = 0;
  NTSTATUS status = 0;
  while ((status = NtQuerySystemInformation(kind, buffer.data(), static_cast<ULONG>(buffer.size()), &needed)) ==
         static_cast<NTSTATUS>(0xC0000004L)) {  // STATUS_INFO_LENGTH_MISMATCH
    buffer.resize(std::max<std::size_t>(needed, buffer.size()) * 2);
  }
  if (status < 0) buffer.clear();
  return buffer;
}

// -1 when the system keeps no such list.
double openHandles(DWORD pid, const std::vector<unsigned char>& handles) {
  if (handles.empty()) return -1;
  const auto* list = reinterpret_cast<const HandleList*>(handles.data());
  double count = 0;
  for (ULONG_PTR i = 0; i < list->count; ++i) count += list->entries[i].processId == pid ? 1 : 0;
  return count;
}

DWORD pidOf(const SYSTEM_PROCESS_INFORMATION& entry) {
  return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry.UniqueProcessId));
}

std::string exeOf(const SYSTEM_PROCESS_INFORMATION& entry) {
  return myr::lowerAscii(myr::toUtf8(std::wstring_view(entry.ImageName.Buffer, entry.ImageName.Length / 2)));
}

void print(const Value& line) { std::printf("%s\n", myr::json::write(line).c_str()); }

std::string imageOf(DWORD pid) {
  const myr::WinHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  wchar_t path[MAX_PATH * 4];
  DWORD size = static_cast<DWORD>(std::size(path));
  if (!process || !QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
  return myr::toUtf8(std::wstring_view(path, size));
}

int find(const std::wstring& exe) {
  const std::string wanted = myr::lowerAscii(myr::toUtf8(exe));
  forEachProcess(systemList(SystemProcessInformation), [&](const SYSTEM_PROCESS_INFORMATION& entry) {
    if (entry.ImageName.Buffer == nullptr || exeOf(entry) != wanted) return;
    Value line;
    print(line.set("pid", static_cast<double>(pidOf(entry))).set("image", imageOf(pidOf(entry))));
  });
  return 0;
}

int count(DWORD pid, const std::vector<unsigned char>& list, const std::vector<unsigned char>& handles) {
  Value line;
  line.set("pid", static_cast<double>(pid));
  bool found = false;
  forEachProcess(list, [&](const SYSTEM_PROCESS_INFORMATION& entry) {
    if (pidOf(entry) != pid) return;
    found = true;
    const VM_COUNTERS& memory = entry.VirtualMemoryCounters;
    line.set("handles", openHandles(pid, handles))
        .set("handleTable", static_cast<double>(entry.HandleCount))
        .set("threads", static_cast<double>(entry.NumberOfThreads))
        .set("workingSet", static_cast<double>(memory.WorkingSetSize))
        .set("pagefile", static_cast<double>(memory.PagefileUsage))
        .set("private", static_cast<double>(entry.PrivatePageCount))
        .set("virtual", static_cast<double>(memory.VirtualSize));
  });
  if (!found) line.set("error", static_cast<double>(ERROR_NOT_FOUND));
  print(line);
  return found ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"--find") == 0) return find(argv[2]);
  if (argc < 2) {
    std::fprintf(stderr, "usage: process_counts <pid>... | --find <exe name>\n");
    return 2;
  }
  const std::vector<unsigned char> list = systemList(SystemProcessInformation);
  const std::vector<unsigned char> handles = systemList(kSystemExtendedHandleInformation);
  int failed = 0;
  for (int i = 1; i < argc; ++i) {
    failed |= count(static_cast<DWORD>(std::wcstoul(argv[i], nullptr, 0)), list, handles);
  }
  return failed;
}
