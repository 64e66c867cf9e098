// TAVRIKX.dll, the device maker's HID access library, as this program calls it.
// The DLL exports these undecorated, with the stdcall convention; tavrikx.def describes the
// exports.
#pragma once

#if defined(_WIN32)
#define TAVRIKX_CALL __stdcall
#else
#define TAVRIKX_CALL
#endif

// Caller-owned, filled by OpenHidDevice; its contents belong to the library.
struct HidDeviceHandle {
  unsigned char Opaque[20];
};

const int TavrikVendorId = 17203, TavrikProductId = 6, TavrikInterfaceId = 6;
const int HidReportSize = 8;

extern "C" {
// 0: the device is open and the record describes it; anything else: nothing was opened.
int TAVRIKX_CALL OpenHidDevice(int vendorId, int productId, int interfaceId,
                               HidDeviceHandle* device);
// Sends one 8-byte output report and waits for the 8-byte answer. What its result means is the
// library's own business and unknown here: this program never uses it.
int TAVRIKX_CALL WriteHidDevice(HidDeviceHandle* device, const unsigned char* outputReport,
                                unsigned char* inputReport);
// Ends the connection; accepts a record whose open failed or that was closed already.
void TAVRIKX_CALL CloseHidDevice(HidDeviceHandle* device);
}
