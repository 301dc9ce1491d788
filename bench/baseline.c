/* baseline_convert: the straightforward conversion with stdio's formatted
 * reads and writes, the yardstick logvane's speed is measured against. It
 * is not part of the program. Its lines end with LF and printf rounds each
 * number once, so its output is the same document but not the same bytes.
 *
 *   baseline_convert txtfile
 */

#include <stdio.h>
#include <string.h>

enum { LINE_BUFFER_SIZE = 4096, BASE_NAME_SIZE = 256 };

static const char KML_HEAD[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
    "  <Document>\n"
    "    <name>Paths</name>\n"
    "    <description>from %s</description>\n"
    "    <Style id=\"yellowLineGreenPoly\">\n"
    "      <LineStyle>\n"
    "        <color>7f00ffff</color>\n"
    "        <width>4</width>\n"
    "      </LineStyle>\n"
    "      <PolyStyle>\n"
    "        <color>7f00ff00</color>\n"
    "      </PolyStyle>\n"
    "    </Style>    <Placemark>\n"
    "      <name>from %s</name>\n"
    "      <description>Transparent green wall with yellow outlines"
    "</description>\n"
    "      <styleUrl>#yellowLineGreenPoly</styleUrl>\n"
    "      <Point>\n"
    "         <coordinates>%lf,%lf</coordinates>\n"
    "      </Point>\n"
    "      <LineString>\n"
    "        <extrude>1</extrude>\n"
    "        <altitudeMode>relativeToGround</altitudeMode>\n"
    "        <coordinates>\n";

static const char KML_FOOT[] =
    "        </coordinates>\n"
    "      </LineString>\n"
    "    </Placemark>\n"
    "  </Document>\n"
    "</kml>\n";

/* The three reads of the header. Their results are not examined: a value
 * that is not there stays 0. The widths only keep a long word inside the
 * line buffer. */
static void read_line(char *line, FILE *in) {
  if (fgets(line, LINE_BUFFER_SIZE, in) == NULL) return;
}

static void read_word(char *line, FILE *in) {
  if (fscanf(in, "%4095s", line) != 1) return;
}

static void read_number(double *value, FILE *in) {
  if (fscanf(in, "%lf", value) != 1) return;
}

/* The final component of path without its extension, then ".kml"; an empty
 * base name when it would not fit. */
static void derive_output_name(const char *path, char *name) {
  const char *start;
  const char *dot = NULL;
  const char *p;
  size_t length;
  if (path[0] != '\0' && path[1] == ':') path += 2;
  start = path;
  for (p = path; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') start = p + 1;
    if (*p == '.') dot = p;
  }
  length = (size_t)((dot != NULL && dot >= start ? dot : p) - start);
  if (length >= BASE_NAME_SIZE) length = 0;
  memcpy(name, start, length);
  strcpy(name + length, ".kml");
}

int main(int argc, char **argv) {
  static char line[LINE_BUFFER_SIZE];
  char output_name[BASE_NAME_SIZE + 4];
  char date[32];
  char time[20];
  int satellites;
  double longitude = 0.0;
  double latitude = 0.0;
  double point[3];
  double unused[7];
  FILE *in;
  FILE *out;

  if (argc != 2) {
    printf("Usage: baseline_convert txtfile\n");
    return 1;
  }
  in = fopen(argv[1], "r");
  if (in == NULL) {
    perror("Filed to open input file");
    return 2;
  }

  read_line(line, in);
  read_line(line, in);
  read_line(line, in);
  read_word(line, in);
  read_word(line, in);
  read_number(&longitude, in);
  printf("%f\n", longitude);
  read_word(line, in);
  read_word(line, in);
  read_number(&latitude, in);

  derive_output_name(argv[1], output_name);
  out = fopen(output_name, "w");
  if (out == NULL) {
    perror("Failed to open output file");
    fclose(in);
    return 3;
  }
  fprintf(out, KML_HEAD, argv[1], argv[1], longitude, latitude);

  read_line(line, in);
  read_line(line, in);
  read_line(line, in);

  /* At least one attempt, then the end-of-file test; a read error ends the
   * loop too, since it would never set the end-of-file indicator. */
  do {
    if (fscanf(in, "%31s %19s %d %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf", date,
               time, &satellites, &point[0], &point[1], &point[2], &unused[0],
               &unused[1], &unused[2], &unused[3], &unused[4], &unused[5],
               &unused[6]) == 13) {
      fprintf(out, "%lf,%lf,%lf\n", point[0], point[1], point[2]);
    }
  } while (!feof(in) && !ferror(in));

  fputs(KML_FOOT, out);
  fclose(out);
  fclose(in);
  return 0;
}
