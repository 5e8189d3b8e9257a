#pragma once
// Process-wide state of the system layer. The program and every plug-in
// library carry their own copy of the layer; this small shared library is
// loaded once per process, so all copies see the same slots.
extern "C" {
// The registry files of this run as the layer knows them (a pointer the
// layer owns, null until its first use).
__attribute__((visibility("default"))) void **talvik_sys_registry_slot();
// The operating system version a caller set for this run (major << 16 |
// minor), 0 when none was set.
__attribute__((visibility("default"))) unsigned int *talvik_sys_os_version_slot();
}
