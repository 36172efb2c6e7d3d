// GL call lists, as `apitrace dump` prints them, that more than one test expects: the
// call-order test of the render-state procedures and the whole-frame trace of the viewer
// (which also finds the passes of a frame by the reflection blocks). One definition each, so
// a change of the procedure changes one list.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace gl_call_lists {

// OPENGL_INIT(100, 0, 119/300, 187/300, 0.85): the viewer's projection and sky on an
// 800 x 600 client. The perspective matrix is checked apart by each test.
inline const std::vector<std::string> OPENGL_INIT_VIEWER = {
    "glClearColor(red = 0.3966667, green = 0.6233333, blue = 0.85, alpha = 0)",
    "glViewport(x = 0, y = 0, width = 800, height = 600)",
    "glMatrixMode(mode = GL_PROJECTION)",
    "glLoadIdentity()",
    "glMultMatrixd(...",  // gluPerspective
    "glMatrixMode(mode = GL_MODELVIEW)",
    "glLoadIdentity()",
    "glClearDepth(depth = 100)",
    "glEnable(cap = GL_DEPTH_TEST)",
    "glDepthFunc(func = GL_LEQUAL)",
    "glColor4f(red = 1, green = 1, blue = 1, alpha = 0.5)",
    "glBlendFunc(sfactor = GL_SRC_ALPHA, dfactor = GL_ONE)",
    "glLightModeli(pname = GL_LIGHT_MODEL_LOCAL_VIEWER, param = 1)",
    "glHint(target = GL_LINE_SMOOTH_HINT, mode = GL_NICEST)",
    "glHint(target = GL_POLYGON_SMOOTH_HINT, mode = GL_NICEST)",
    "glHint(target = GL_PERSPECTIVE_CORRECTION_HINT, mode = GL_NICEST)",
    "glEnable(cap = GL_AUTO_NORMAL)",
    "glEnable(cap = GL_NORMALIZE)",
};

// OPENGL_I2D on an 800 x 600 client; `clear_colour` as apitrace prints glClearColor's
// arguments ("red = 0, green = 0, blue = 0, alpha = 0").
inline std::vector<std::string> opengl_i2d(const std::string& clear_colour) {
    return {
        "glClearColor(" + clear_colour + ")",
        "glViewport(x = 0, y = 0, width = 800, height = 600)",
        "glMatrixMode(mode = GL_PROJECTION)",
        "glLoadIdentity()",
        "glOrtho(left = -2, right = 2, bottom = -1.5, top = 1.5, zNear = -2, zFar = 2)",
        "glMatrixMode(mode = GL_MODELVIEW)",
        "glLoadIdentity()",
        "glEnable(cap = GL_DEPTH_TEST)",
        "glDepthFunc(func = GL_LEQUAL)",
        "glEnable(cap = GL_NORMALIZE)",
    };
}

// FX_REFRACTBEGIN and FX_REFRACTEND.

inline const std::vector<std::string> REFRACT_BEGIN = {
    "glEnable(cap = GL_BLEND)",
    "glEnable(cap = GL_BLEND)",
    "glDepthMask(flag = GL_FALSE)",
    "glBlendFunc(sfactor = GL_DST_COLOR, dfactor = GL_SRC_COLOR)",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_TEXTURE_ENV_MODE, param = GL_MODULATE)",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_TEXTURE_ENV_MODE, param = GL_REPLACE)",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_TEXTURE_ENV_MODE, param = GL_COMBINE)",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_COMBINE_RGB, param = GL_ADD_SIGNED)",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_SRC0_RGB, param = GL_PRIMARY_COLOR)",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_SRC1_RGB, param = GL_TEXTURE)",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_OPERAND0_RGB, param = GL_ONE_MINUS_SRC_COLOR)",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_OPERAND1_RGB, param = GL_ONE_MINUS_SRC_COLOR)",
    "glEnable(cap = GL_TEXTURE_GEN_S)",
    "glEnable(cap = GL_TEXTURE_GEN_T)",
    "glEnable(cap = GL_TEXTURE_GEN_R)",
    "glTexGenf(coord = GL_S, pname = GL_TEXTURE_GEN_MODE, param = GL_REFLECTION_MAP)",
    "glTexGenf(coord = GL_T, pname = GL_TEXTURE_GEN_MODE, param = GL_REFLECTION_MAP)",
    "glTexGenf(coord = GL_R, pname = GL_TEXTURE_GEN_MODE, param = GL_REFLECTION_MAP)",
    "glTexGenf(coord = GL_S, pname = GL_TEXTURE_GEN_MODE, param = GL_SPHERE_MAP)",
    "glTexGenf(coord = GL_T, pname = GL_TEXTURE_GEN_MODE, param = GL_SPHERE_MAP)",
    "glPushMatrix()",
};

inline const std::vector<std::string> REFRACT_END = {
    "glDisable(cap = GL_TEXTURE_GEN_S)",
    "glDisable(cap = GL_TEXTURE_GEN_T)",
    "glDisable(cap = GL_TEXTURE_GEN_R)",
    "glBlendFunc(sfactor = GL_SRC_ALPHA, dfactor = GL_ONE)",
    "glDepthMask(flag = GL_TRUE)",
    "glDisable(cap = GL_BLEND)",
    "glDisable(cap = GL_ALPHA_TEST)",
    "glDisable(cap = GL_BLEND)",
    "glPopMatrix()",
    "glTexEnvf(target = GL_TEXTURE_ENV, pname = GL_TEXTURE_ENV_MODE, param = GL_MODULATE)",
};

// The lists one after the other.
inline std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> lists) {
    std::vector<std::string> all;
    for (const auto& list : lists) all.insert(all.end(), list.begin(), list.end());
    return all;
}

}  // namespace gl_call_lists
