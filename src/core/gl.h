// The one way the portable core includes OpenGL 1.1 and GLU.
// MinGW-w64's GL/gl.h pulls in <windows.h> unless APIENTRY and WINGDIAPI are
// defined first; defining them here keeps the core free of the Windows headers.
#pragma once

#if defined(_WIN32)
#ifndef APIENTRY
#define APIENTRY __stdcall
#define FLINDRA_DEFINED_APIENTRY
#endif
#ifndef WINGDIAPI
#define WINGDIAPI __declspec(dllimport)
#define FLINDRA_DEFINED_WINGDIAPI
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#define FLINDRA_DEFINED_CALLBACK
#endif
#endif

#include <GL/gl.h>
#include <GL/glu.h>

#ifdef FLINDRA_DEFINED_APIENTRY
#undef APIENTRY
#undef FLINDRA_DEFINED_APIENTRY
#endif
#ifdef FLINDRA_DEFINED_WINGDIAPI
#undef WINGDIAPI
#undef FLINDRA_DEFINED_WINGDIAPI
#endif
#ifdef FLINDRA_DEFINED_CALLBACK
#undef CALLBACK
#undef FLINDRA_DEFINED_CALLBACK
#endif
