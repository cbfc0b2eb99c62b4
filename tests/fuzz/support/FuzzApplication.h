#pragma once

// Makes the core application once, for targets that run event loops or timers. The fuzz
// targets use QtCore only, so they need no display.
void ensureFuzzApplication();

// Delivers what a run left posted, the deferred deletions included (a closed port deletes its
// device later), so that nothing piles up from one run to the next.
void drainPostedEvents();
