// The calls FX_REFRACTBEGIN and FX_REFRACTEND issue, as `apitrace dump` prints them. Shared
// by the call-order test of the render state and the whole-frame trace, which finds the
// passes of a frame by these blocks.
#pragma once

#include <string>
#include <vector>

namespace refract_calls {

inline const std::vector<std::string> BEGIN = {
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

inline const std::vector<std::string> END = {
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

}  // namespace refract_calls
