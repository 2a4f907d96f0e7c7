// The interface of the sample shell extension (TarnShell.dll), for its callers.
#pragma once

#include <unknwn.h>

// {73FB7454-0B7D-4845-B3EB-02355A6E48B7}
static const CLSID CLSID_TarnShell = {0x73fb7454, 0x0b7d, 0x4845, {0xb3, 0xeb, 0x02, 0x35, 0x5a, 0x6e, 0x48, 0xb7}};
// {E8DB8EA1-06E0-410C-9AAE-60AEB7DD5125}
static const IID IID_ITarnShell = {0xe8db8ea1, 0x06e0, 0x410c, {0x9a, 0xae, 0x60, 0xae, 0xb7, 0xdd, 0x51, 0x25}};

struct ITarnShell : public IUnknown {
    // The pointer width of the DLL that serves the object: 32 or 64.
    virtual HRESULT STDMETHODCALLTYPE Bits(int* bits) = 0;
};
