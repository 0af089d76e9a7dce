// Replaced by the stitch command.
