# Printer graphics speed: PrintBitmap of a 576 x 1600 24-bit BMP from the file
# until the virtual printer has parsed the raster, PrintBarCode of a QR code
# end to end, and the BMP reader and the picture-to-dots step on their own.
if(TARGET qvso_printer)
  add_executable(graphics_bench ${CMAKE_CURRENT_LIST_DIR}/graphics_bench.cpp)
  target_link_libraries(graphics_bench PRIVATE qvso_printer qvplatform qv_virtual_printer
                        benchmark::benchmark)
endif()
