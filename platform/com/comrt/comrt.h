#pragma once
// Process-wide state of the COM layer. This small shared library is loaded
// once per process, so the program and every plug-in library that carries its
// own copy of the COM layer see the same slots.
extern "C" {
// This thread's error object (an IErrorInfo*), or null.
__attribute__((visibility("default"))) void **talvik_com_error_slot();
// The system colour scheme (COLORREF values by COLOR_ index): one table for
// the whole process, so a scheme a host sets reaches every library.
__attribute__((visibility("default"))) unsigned int *talvik_com_sys_colours(int *count);
}
