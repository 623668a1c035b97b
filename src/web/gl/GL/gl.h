// The web build's OpenGL 1.1: the fixed-function calls the core makes, and
// only those, carried out by the WebGL layer (web/fixed_function.cpp). The web
// build finds this header before the system's, so core/gl.h stays the core's
// one OpenGL include; a call the layer does not carry fails to compile.
#pragma once

typedef unsigned int GLenum;
typedef unsigned int GLbitfield;
typedef int GLint;
typedef int GLsizei;
typedef float GLfloat;
typedef double GLdouble;
typedef void GLvoid;

#define GL_POINTS 0x0000
#define GL_FLOAT 0x1406
#define GL_SRC_ALPHA 0x0302
#define GL_ONE_MINUS_SRC_ALPHA 0x0303
#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_COLOR_BUFFER_BIT 0x00004000
#define GL_ALPHA_TEST 0x0BC0
#define GL_DEPTH_TEST 0x0B71
#define GL_BLEND 0x0BE2
#define GL_LIGHTING 0x0B50
#define GL_COLOR_MATERIAL 0x0B57
#define GL_LIGHT0 0x4000
#define GL_LIGHT1 0x4001
#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_POSITION 0x1203
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_VERTEX_ARRAY 0x8074

// The core's names map onto the layer's own, so the layer can use WebGL's
// glEnable, glClear ... itself.
#define glViewport flindraViewport
#define glClearColor flindraClearColor
#define glClear flindraClear
#define glEnable flindraEnable
#define glBlendFunc flindraBlendFunc
#define glLightfv flindraLightfv
#define glMatrixMode flindraMatrixMode
#define glLoadIdentity flindraLoadIdentity
#define glPushMatrix flindraPushMatrix
#define glPopMatrix flindraPopMatrix
#define glRotatef flindraRotatef
#define glTranslatef flindraTranslatef
#define glPointSize flindraPointSize
#define glColor3f flindraColor3f
#define glEnableClientState flindraEnableClientState
#define glDisableClientState flindraDisableClientState
#define glVertexPointer flindraVertexPointer
#define glDrawArrays flindraDrawArrays

void flindraViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void flindraClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);
void flindraClear(GLbitfield mask);
void flindraEnable(GLenum capability);
void flindraBlendFunc(GLenum source, GLenum destination);
void flindraLightfv(GLenum light, GLenum name, const GLfloat* values);
void flindraMatrixMode(GLenum mode);
void flindraLoadIdentity();
void flindraPushMatrix();
void flindraPopMatrix();
void flindraRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z);
void flindraTranslatef(GLfloat x, GLfloat y, GLfloat z);
void flindraPointSize(GLfloat size);
void flindraColor3f(GLfloat red, GLfloat green, GLfloat blue);
void flindraEnableClientState(GLenum array);
void flindraDisableClientState(GLenum array);
void flindraVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void flindraDrawArrays(GLenum mode, GLint first, GLsizei count);
