/* The library's symbols are hidden unless marked: TAVLORA_API marks what a program may link to,
 * the five classes, the runtime types they derive from and the C interface. */
#ifndef TAVLORA_EXPORT_H
#define TAVLORA_EXPORT_H

#if defined(__GNUC__)
#define TAVLORA_API __attribute__((visibility("default")))
#else
#define TAVLORA_API
#endif

#endif
