#ifndef ORVEX_PAGEIDS_H
#define ORVEX_PAGEIDS_H

// The ids under which the wizard registers its pages.
enum PageId : int { kSearchPageId = 0, kPackPageId = 1, kUpdatePageId = 2 };

#endif
