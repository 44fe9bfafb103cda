#pragma once
// String numbers of the removal program's messages that OrvantaUninst shows.
#define IDS_ST6_TITLE 601
#define IDS_ST6_CONFIRM 603
#define IDS_ST6_LOG_MISSING 605
#define IDS_ST6_BAD_COMMAND 611
#define IDS_ST6_CANCELLED 702
