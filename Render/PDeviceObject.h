// Device object: anything that holds Direct3D resources which a lost device
// takes away. Every device object is on one process-wide list from its
// construction to its destruction, in construction order; after a lost
// device the host walks the list, calling OnLostDevice on each object, then
// resets the device and calls OnResetDevice on each object.
#pragma once

#include <cstddef>

class CPDeviceObject
{
public:
    // Joins the end of the list.
    CPDeviceObject();
    CPDeviceObject(const CPDeviceObject&) = delete;
    CPDeviceObject& operator=(const CPDeviceObject&) = delete;
    // Leaves the list, before the derived parts' resources are freed.
    virtual ~CPDeviceObject();

    // Free what the lost device takes away.
    virtual void OnLostDevice() = 0;
    // Rebuild it on the reset device.
    virtual void OnResetDevice() = 0;

    // The list in construction order: the first object, then each one's
    // successor; null past the end.
    static CPDeviceObject* First();
    CPDeviceObject* Next() const { return m_next; }
    static size_t Count();

    // OnLostDevice, or OnResetDevice, on every listed object in list order.
    // An object may leave the list from its own call.
    static void LoseAll();
    static void ResetAll();

private:
    // The object's place in the list, so that leaving it takes constant time.
    CPDeviceObject* m_previous;
    CPDeviceObject* m_next;
};
