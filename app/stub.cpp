namespace app {}  // placeholder until the module lands
