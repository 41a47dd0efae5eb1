// Stands in for a converter library that lacks the entry the program asks for.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI SomethingElse() { return 7; }
