// Replaced by the stitcher.
