#pragma once

// shifou_zaixian: whether the machine is online. Asks the desktop's network
// information where Qt has a backend for it that knows; else the machine is
// online when an interface other than the loopback is up, running and has an
// address.
bool shifou_zaixian();

// Whether an interface counts as a way online: up, running, not the loopback,
// and with an address. `flags` are its QNetworkInterface::InterfaceFlags.
bool onlineThrough(unsigned flags, bool hasAddress);
