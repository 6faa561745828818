/* The floor for a one-chart process: read a 500 x 350 RGB raster (binary
 * PPM), encode it as a JPEG at quality 75 and write it. No drawing, no
 * fonts, no component: what any chart-writing process must at least pay. */
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
/* jpeglib.h needs size_t and FILE declared first. */
#include <jpeglib.h>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  FILE* in = fopen(argv[1], "rb");
  if (in == NULL) return 1;
  int width = 0, height = 0, max = 0;
  if (fscanf(in, "P6 %d %d %d", &width, &height, &max) != 3 || fgetc(in) == EOF) return 1;
  unsigned char* pixels = malloc((size_t)width * (size_t)height * 3);
  if (pixels == NULL || fread(pixels, 3, (size_t)width * (size_t)height, in) == 0) return 1;
  fclose(in);
  FILE* out = fopen(argv[2], "wb");
  if (out == NULL) return 1;
  struct jpeg_compress_struct c;
  struct jpeg_error_mgr errors;
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, out);
  c.image_width = (JDIMENSION)width;
  c.image_height = (JDIMENSION)height;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 75, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = pixels + (size_t)c.next_scanline * (size_t)width * 3;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  fclose(out);
  free(pixels);
  return 0;
}
