/* Resources of the test programs beyond the two windows' own. */
#pragma once

#define KQ_TEST_HEXSPLICE_ICON 129 /* hexsplice's icon, whose id 128 flashwright's takes here */
