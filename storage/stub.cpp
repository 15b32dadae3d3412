namespace storage {}  // placeholder until the module lands
