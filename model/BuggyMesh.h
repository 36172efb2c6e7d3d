// Mesh tables of the buggy model. Every part is an ordered list of triangles; a triangle is
// three consecutive corners, each a stored normal (pointing into the solid, against the
// counter-clockwise winding) followed by a position, all single precision in model units.
// The tables are asset data written by tools/meshgen; no mesh file is read at run time.
#pragma once

struct TMESHCORNER {
    float NX, NY, NZ;
    float X, Y, Z;
};

struct TMESHPART {
    const char* NAME;
    const TMESHCORNER* CORNERS;  // 3 * TRIANGLES corners
    int TRIANGLES;
};

// The fifteen body parts, in the order the mesh source holds them.
enum TBODYPART {
    CORPOSUP, CORPOINF, CRUSCOTTO, ASSIRUOTE, MOTORE, TUBI, VETRO, FANALESIN,
    VETROFANALESIN, FANALEDES, VETROFANALEDES, SEDILESIN, SEDILEDES, RINFORZO, PARAURTI,
    BUGGYBODYPARTCOUNT
};

// The wheel's two meshes.
enum TWHEELPART { PNEUMATICO, CERCHIONE, BUGGYWHEELPARTCOUNT };

extern const TMESHPART BUGGYBODYPARTS[BUGGYBODYPARTCOUNT];
extern const TMESHPART BUGGYWHEELPARTS[BUGGYWHEELPARTCOUNT];
