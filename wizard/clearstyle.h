#ifndef ORVEX_CLEARSTYLE_H
#define ORVEX_CLEARSTYLE_H

// Where the style is Fusion, mends what it leaves unclear. It frames a
// focused button as it frames the default one: a focused button also gets
// the dotted line that classic styles draw inside it. It draws a scroll
// bar's handle lighter than its track: where the handle fills most of the
// track, the rest of the track reads as a handle at the other end; the
// handle gets a darker fill. Styles that make both clear (Windows') are
// left as they are. Before the first window.
void MakeFusionClear();

#endif
