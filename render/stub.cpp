namespace render {}  // placeholder until the module lands
