/* tarnflt.sys: the sample product's kernel-mode filter driver, a real driver image that loads
   and unloads and does nothing else. The installer only places it (below System32\drivers). */
#include <ddk/wdm.h>

static VOID NTAPI TarnFilterUnload(PDRIVER_OBJECT driver) { (void)driver; }

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    (void)registryPath;
    driver->DriverUnload = TarnFilterUnload;
    return STATUS_SUCCESS;
}
