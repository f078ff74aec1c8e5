#include "game/edition.h"

#ifndef VRAKKO_COLLECTORS_EDITION
#define VRAKKO_COLLECTORS_EDITION 0
#endif
#ifndef VRAKKO_SURVEY_EDITION
#define VRAKKO_SURVEY_EDITION 0
#endif
#ifndef VRAKKO_CHEATER_BUILD
#define VRAKKO_CHEATER_BUILD 0
#endif
#ifndef VRAKKO_STREAMING_BUILD
#define VRAKKO_STREAMING_BUILD 0
#endif

vY_Edition& GameEdition() {
    static vY_Edition edition{VRAKKO_COLLECTORS_EDITION != 0, VRAKKO_SURVEY_EDITION != 0,
                              VRAKKO_CHEATER_BUILD != 0, VRAKKO_STREAMING_BUILD != 0};
    return edition;
}
