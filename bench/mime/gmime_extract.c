/* The baseline for msg-extract: the same work through GMime. Reads one
 * message file, writes every named attachment into DIR (decoded), decodes
 * every text part as a reader must, and prints "size sha256 name" per
 * attachment like msg-extract. Built by bench/mime/vs_gmime.sh only.
 *   gmime_extract FILE DIR */
#include <gmime/gmime.h>
#include <stdio.h>
#include <string.h>

static const char *dir;

static void write_part(GMimeObject *parent, GMimeObject *part, gpointer data) {
  (void)parent, (void)data;
  if (!GMIME_IS_PART(part))
    return;
  GMimeDataWrapper *content = g_mime_part_get_content(GMIME_PART(part));
  const char *name = g_mime_part_get_filename(GMIME_PART(part));
  if (!content)
    return;
  if (!name) { /* a text part: decoded, as the reader keeps its text */
    GMimeStream *null = g_mime_stream_null_new();
    g_mime_data_wrapper_write_to_stream(content, null);
    g_object_unref(null);
    return;
  }
  const char *slash = strrchr(name, '/');
  char path[4096];
  snprintf(path, sizeof path, "%s/%s", dir, slash ? slash + 1 : name);
  FILE *f = fopen(path, "wb");
  if (!f)
    return;
  GMimeStream *out = g_mime_stream_file_new(f); /* owns f */
  g_mime_data_wrapper_write_to_stream(content, out);
  g_mime_stream_flush(out);
  g_object_unref(out);

  /* The checksum of the written file, read back in blocks as msg-extract does. */
  GChecksum *sum = g_checksum_new(G_CHECKSUM_SHA256);
  size_t size = 0, got;
  unsigned char block[65536];
  FILE *back = fopen(path, "rb");
  while (back && (got = fread(block, 1, sizeof block, back)) > 0) {
    g_checksum_update(sum, block, got);
    size += got;
  }
  if (back)
    fclose(back);
  printf("%zu %s %s\n", size, g_checksum_get_string(sum), slash ? slash + 1 : name);
  g_checksum_free(sum);
}

int main(int argc, char **argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: gmime_extract FILE DIR\n");
    return 2;
  }
  dir = argv[2];
  g_mime_init();
  GMimeStream *in = g_mime_stream_file_open(argv[1], "rb", NULL);
  if (!in)
    return 1;
  GMimeParser *parser = g_mime_parser_new_with_stream(in);
  GMimeMessage *message = g_mime_parser_construct_message(parser, NULL);
  if (!message)
    return 1;
  g_mime_message_foreach(message, write_part, NULL);
  g_object_unref(message);
  g_object_unref(parser);
  g_object_unref(in);
  return 0;
}
