#pragma once

// The four yes/no questions a build answers about itself. They are fixed when the
// program is built (VRAKKO_COLLECTORS_EDITION, VRAKKO_SURVEY_EDITION,
// VRAKKO_CHEATER_BUILD, VRAKKO_STREAMING_BUILD, each 0 or 1); tests may change the
// process-wide copy to exercise another edition.
struct vY_Edition {
    bool collectors = false;
    bool survey = false;
    bool cheater = false;
    bool streaming = false;
};

vY_Edition& GameEdition();
