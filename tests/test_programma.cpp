// level 4 (in preparazione)
