// The buggy viewer on the desktop. It reads its image files from the working directory.
#include "app/Viewer.h"

int main() { return VIEWER_MAIN(); }
