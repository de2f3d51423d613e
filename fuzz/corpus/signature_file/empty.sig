# nothing

