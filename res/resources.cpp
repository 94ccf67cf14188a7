// The resources are compiled into this library by the build; no code of its own.
