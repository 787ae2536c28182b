// Placeholder so the library has a source until the simulated desktop lands.
