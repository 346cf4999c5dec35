# case file tests (to be written)
