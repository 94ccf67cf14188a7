#pragma once

// Without TZ in the environment the C library looks at /etc/localtime again on every conversion
// to or from local time (a file-system lookup each; a stored message takes two, a fifth of a
// backup's time). Naming the system's zone file in TZ has it read once. Call first thing at
// start-up, before any thread runs; a TZ that is set is left alone. The program then keeps the
// zone it started with if the system's zone changes while it runs.
void readLocalTimeZoneOnce();
