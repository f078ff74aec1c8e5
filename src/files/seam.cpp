#include "files/seam.h"

#include "files/log.h"

void vK_ReportSeamFull(const char* name) {
    Log("Error: %s: %zu installs are alive already; this one is refused", name, vK_Seam<void (*)()>::kDepth);
}
