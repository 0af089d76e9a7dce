// Replaced by the PNG encoder.
