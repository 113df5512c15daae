// The device bus: one private dbus-daemon per device root. Its address is kept in
// <root>/run/bus.address, its pid in <root>/run/bus.pid, its activation files (one per
// installed application) in <root>/run/services/.
#pragma once

#include <Eldbus.h>

#include <string>

namespace watch {
namespace bus {

std::string AddressFile();
std::string PidFile();
std::string ServiceDir();

// The address of the running device bus, or empty when the device is not booted (or its
// daemon has gone).
std::string Address();

// Starts the device's dbus-daemon unless one runs already. Programs activated by it
// inherit WATCH_ROOT. False with a reason on failure.
bool Start(std::string* error);
// Stops the device's dbus-daemon; true when none runs afterwards.
bool Stop(std::string* error);

// The device bus starts programs with itself as their session bus. They belong to the
// session the device was booted from (the user's accessibility bus is found through it),
// which Start() leaves in WATCH_SESSION_BUS_ADDRESS: this puts it back in
// DBUS_SESSION_BUS_ADDRESS, or removes the device bus from there. Connect() calls it.
void RestoreSessionBus();

// A reference to this process's connection to the device bus (shared within the
// process), or NULL when there is no bus; the first failure of a process logs one line.
// Initialises Eldbus; release with Release().
Eldbus_Connection* Connect();
void Release(Eldbus_Connection* connection);

} // namespace bus
} // namespace watch
