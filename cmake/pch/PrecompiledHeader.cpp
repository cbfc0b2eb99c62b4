// The one source of a precompiled-header target; the header is all it is for.
