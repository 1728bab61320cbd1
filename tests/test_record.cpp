// (in preparazione)
