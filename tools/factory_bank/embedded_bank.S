/* The factory bank file, embedded whole (see cmake/factory_bank.cmake). */
    .section .rodata.kaveo_factory_bank,"a"
    .balign 16
    .globl kaveo_factory_bank_begin
    .hidden kaveo_factory_bank_begin
kaveo_factory_bank_begin:
    .incbin KAVEO_FACTORY_BANK_FILE
    .globl kaveo_factory_bank_end
    .hidden kaveo_factory_bank_end
kaveo_factory_bank_end:
    .section .note.GNU-stack,"",@progbits
