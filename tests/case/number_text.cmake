# conversions tests (to be written)
