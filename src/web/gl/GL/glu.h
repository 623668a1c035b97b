// The web build's GLU: the two calls the core makes, on the WebGL layer's
// matrix stacks (see GL/gl.h beside this file).
#pragma once

#include <GL/gl.h>

#define gluPerspective flindraPerspective
#define gluLookAt flindraLookAt

void flindraPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void flindraLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
                   GLdouble upX, GLdouble upY, GLdouble upZ);
