// Keeping the ledger: COM objects, references, CoTaskMem blocks and write locks.
#pragma once

#include <windows.h>

namespace simwin::detail {

// The reference count of one COM object, kept in the ledger under the object's interface name.
// The object starts with one reference.
class RefCount {
public:
    explicit RefCount(const char* interfaceName);
    ~RefCount();
    RefCount(const RefCount&) = delete;
    RefCount& operator=(const RefCount&) = delete;

    ULONG Add();
    ULONG Drop();  // the count left; the object deletes itself at 0

private:
    const char* interfaceName_;
    ULONG count_ = 1;
};

void CoTaskMemAllocated();
void CoTaskMemFreed();
void WriteLockTaken();
void WriteLockGiven();
// The COM depth of the calling thread is kept by the COM runtime, which reports it here.
int& ThreadComDepth();

}  // namespace simwin::detail
